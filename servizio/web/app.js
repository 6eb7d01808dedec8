import * as api from './api.js';
import { Conversation } from './conversation.js';
import { Notices } from './notices.js';
import { RoomStream } from './stream.js';
import { Search } from './search.js';

const pageSize = 50;
const catchUpSize = 200; // what the service replays at most after a reconnection, too
const nickKey = 'ciarlachat.soprannome';
const element = (id) => document.getElementById(id);

const status = element('stato');
const say = (text) => { status.textContent = text; };
const unsay = (text) => { if (status.textContent === text) say(''); };

const picker = element('stanza');
const older = element('precedenti');
const start = element('inizio');
const nick = element('soprannome');
const text = element('messaggio');
const conversation = new Conversation(element('conversazione'));
const notices = new Notices(element('notifiche'), say);
const roomNames = new Map();

let room = ''; // the key of the room shown
let stream = null;
let ready = Promise.resolve(); // the room's first page, once shown
let sending = false;

// The room has no more to show above the oldest message.
function complete(done) {
  if (done && document.activeElement === older)
    conversation.log.focus();
  older.hidden = done;
  start.hidden = !done;
}

// The page before the oldest shown, or the newest page; false once there is no more.
async function loadOlder(size = pageSize) {
  const key = room;
  const before = conversation.oldest;
  const page = await api.history(key, before, size);
  if (key !== room)
    return false;
  conversation.insert(page, before !== 0);
  complete(page.length < size);
  return page.length === size;
}

// After the stream (re)opens: whatever came while it was away, if its replay had none.
async function catchUp(size) {
  const key = room;
  await ready;
  const newest = conversation.newest;
  const page = await api.history(key, 0, size);
  if (key === room)
    arrived(page.filter((m) => m.id > newest));
}

function arrived(messages) {
  notices.arrived(conversation.insert(messages), nick.value.trim());
  if (conversation.trimmed) {
    conversation.trimmed = false;
    complete(false);
  }
}

function openRoom(key) {
  stream?.close();
  room = key;
  picker.value = key;
  notices.setRoom(roomNames.get(key));
  conversation.clear();
  complete(false);
  ready = loadOlder().catch((error) => say(error.message));
  let opened = 0; // the first time, only what came between the first page and the stream
  stream = new RoomStream(key, {
    opened: () => {
      unsay(api.unreachable);
      catchUp(opened++ ? catchUpSize : pageSize).catch((error) => say(error.message));
    },
    message: (m) => arrived([m]),
    hidden: (id) => conversation.remove(id),
    down: () => say(api.unreachable),
  });
}

function roomInAddress() {
  const key = location.hash.slice(1);
  return roomNames.has(key) ? key : roomNames.keys().next().value;
}

// A search result in its room: older pages are fetched until it is shown, within reason.
async function show(message) {
  if (message.room !== room) {
    location.hash = message.room;
    openRoom(message.room);
  }
  await ready;
  for (let pages = 0; pages < 25 && message.id < conversation.oldest && await loadOlder(catchUpSize); ++pages);
  if (!conversation.reveal(message.id))
    say('Il messaggio non è più nella stanza, o è troppo indietro per mostrarlo qui.');
}

async function send(event) {
  event.preventDefault();
  if (sending || text.value.trim() === '')
    return;
  sending = true;
  const sent = text.value;
  try {
    await api.send(room, nick.value.trim(), sent);
    if (text.value === sent) // not what was typed meanwhile
      text.value = '';
    say('');
  } catch (error) {
    say(error.message);
  } finally {
    sending = false;
  }
}

async function begin() {
  try {
    for (const r of await api.rooms())
      roomNames.set(r.key, r.name);
  } catch (error) {
    say(error.message);
    setTimeout(begin, 3000);
    return;
  }
  picker.replaceChildren(...[...roomNames].map(([key, name]) => new Option(name, key)));
  const key = roomInAddress();
  history.replaceState(null, '', `#${key}`);
  openRoom(key);
}

nick.value = localStorage.getItem(nickKey) ?? '';
nick.addEventListener('input', () => localStorage.setItem(nickKey, nick.value));
picker.addEventListener('change', () => { location.hash = picker.value; });
window.addEventListener('hashchange', () => {
  const key = roomInAddress();
  if (key !== room)
    openRoom(key);
});
older.addEventListener('click', () => loadOlder().catch((error) => say(error.message)));
element('invio').addEventListener('submit', send);
text.addEventListener('keydown', (event) => {
  if (event.key === 'Enter' && !event.shiftKey && !event.isComposing) {
    event.preventDefault();
    element('invio').requestSubmit();
  }
});
new Search(element('ricerca'), element('risultati'), roomNames, { choose: show, say });
begin();
