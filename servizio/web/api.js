// The service's JSON API, same origin. Every failure is an Error whose message
// can be shown to the reader as it is.
const base = '/api/v1';
export const unreachable = 'servizio non raggiungibile';

async function call(path, options) {
  let reply;
  try {
    reply = await fetch(base + path, options);
  } catch {
    throw new Error(unreachable);
  }
  const body = await reply.json().catch(() => null);
  if (!reply.ok)
    throw new Error(body && typeof body.error === 'string' ? body.error : `Errore ${reply.status} dal servizio.`);
  if (body === null)
    throw new Error('Risposta del servizio non leggibile.');
  return body;
}

const query = (values) => new URLSearchParams(
  Object.entries(values).filter(([, v]) => v !== undefined && v !== 0 && v !== '')).toString();

export const rooms = () => call('/rooms');

// Oldest first; `before` 0: the newest.
export const history = async (room, before, limit) =>
  (await call(`/rooms/${encodeURIComponent(room)}/messages?${query({ before, limit })}`)).messages;

// Newest first, from every room.
export const search = async (q, limit) => (await call(`/search?${query({ q, limit })}`)).messages;

export const send = (room, nick, text) => call(`/rooms/${encodeURIComponent(room)}/messages`, {
  method: 'POST',
  headers: { 'Content-Type': 'application/json' },
  body: JSON.stringify({ nick, text }),
});

export const eventsUrl = (room) => `${base}/rooms/${encodeURIComponent(room)}/events`;
