import { eventsUrl } from './api.js';

const retryMs = 3000;

// A room's event stream. EventSource reconnects by itself after a dropped
// connection and sends Last-Event-ID; an answer it gives up on (a proxy's error
// page) gets a fresh one after a pause.
export class RoomStream {
  constructor(room, handlers) {
    this.room = room;
    this.handlers = handlers; // opened(), message(m), hidden(id), down()
    this.timer = 0;
    this.open();
  }

  open() {
    const source = new EventSource(eventsUrl(this.room));
    this.source = source;
    source.onopen = () => this.handlers.opened();
    source.onmessage = (event) => this.read(event.data, (m) => this.handlers.message(m));
    source.addEventListener('hide', (event) => this.read(event.data, (m) => this.handlers.hidden(m.id)));
    source.onerror = () => {
      this.handlers.down();
      if (source.readyState === EventSource.CLOSED)
        this.timer = setTimeout(() => this.open(), retryMs);
    };
  }

  read(data, use) {
    let value;
    try {
      value = JSON.parse(data);
    } catch {
      return; // not ours to show
    }
    if (value && Number.isSafeInteger(value.id))
      use(value);
  }

  close() {
    clearTimeout(this.timer);
    this.source.close();
  }
}
