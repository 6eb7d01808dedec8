import * as api from './api.js';
import { fillMessage } from './message.js';

// The search field and its results, newest first; choosing one hands it to `choose`.
export class Search {
  constructor(form, region, roomNames, handlers) {
    this.field = form.querySelector('input');
    this.region = region;
    this.list = region.querySelector('ol');
    this.roomNames = roomNames; // key -> name
    this.handlers = handlers; // choose(m), say(text)
    form.addEventListener('submit', (event) => {
      event.preventDefault();
      this.run();
    });
    this.field.addEventListener('input', () => {
      if (this.field.value === '')
        this.region.hidden = true;
    });
  }

  async run() {
    const q = this.field.value.trim();
    if (q === '')
      return;
    let found;
    try {
      found = await api.search(q, 50);
    } catch (error) {
      return this.handlers.say(error.message);
    }
    this.list.replaceChildren(...found.map((m) => this.result(m)));
    if (found.length === 0)
      this.list.append(Object.assign(document.createElement('li'), { textContent: 'Nessun messaggio trovato.' }));
    this.region.hidden = false;
  }

  result(message) {
    const button = fillMessage(document.createElement('button'), message, this.roomNames.get(message.room) ?? message.room);
    button.type = 'button';
    button.addEventListener('click', () => this.handlers.choose(message));
    const item = document.createElement('li');
    item.append(button);
    return item;
  }
}
