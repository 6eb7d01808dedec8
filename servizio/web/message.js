// One message as the reader sees it: time, nick and text. Everything comes from
// other people, so it is only ever set as text; http and https addresses become links.
const address = /\bhttps?:\/\/[^\s<>"]+/gi;
const trailing = /[.,;:!?)\]'"]+$/;

function timeText(date) {
  const now = new Date();
  const sameDay = date.toDateString() === now.toDateString();
  return date.toLocaleString('it-IT', sameDay
    ? { hour: '2-digit', minute: '2-digit' }
    : { day: '2-digit', month: '2-digit', year: 'numeric', hour: '2-digit', minute: '2-digit' });
}

function link(url) {
  const a = document.createElement('a');
  a.href = url;
  a.target = '_blank';
  a.rel = 'noopener noreferrer';
  a.textContent = url;
  return a;
}

// Text and links, in order, into `parent`.
function writeText(parent, text) {
  let from = 0;
  for (const found of text.matchAll(address)) {
    const url = found[0].replace(trailing, '');
    parent.append(text.slice(from, found.index));
    let valid = false;
    try {
      valid = ['http:', 'https:'].includes(new URL(url).protocol);
    } catch {
      // not an address after all: stays text
    }
    parent.append(valid ? link(url) : url);
    from = found.index + url.length;
  }
  parent.append(text.slice(from));
}

function part(tag, className, text) {
  const element = document.createElement(tag);
  element.className = className;
  element.textContent = text;
  return element;
}

// The parts of a message inside `element`. `roomName` for a message shown outside its
// room, as a search result: there the element is a button, so no links inside.
export function fillMessage(element, message, roomName) {
  const date = new Date(message.time);
  const time = part('time', 'ora', Number.isNaN(date.getTime()) ? '' : timeText(date));
  time.dateTime = message.time;
  element.append(time, ' ');
  if (roomName)
    element.append(part('span', 'dove', roomName), ' ');
  element.append(part('span', 'nick', message.nick), ' ');
  const text = part('span', 'testo', roomName ? message.text : '');
  if (!roomName)
    writeText(text, message.text);
  element.append(text);
  return element;
}
