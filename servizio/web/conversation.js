import { fillMessage } from './message.js';

const keptAtMost = 1000; // while the reader follows the newest, older ones beyond this are let go

// The room's messages in the log, oldest first, each once. The reader at the
// bottom stays there as messages arrive; one reading further up is not moved.
export class Conversation {
  constructor(log) {
    this.log = log;
    this.shown = new Map(); // id -> element
    this.trimmed = false;
    this.following = true; // the reader is at the bottom
    this.seenTop = 0;
    log.addEventListener('scroll', () => this.noteScroll());
    new ResizeObserver(() => this.follow()).observe(log);
  }

  clear() {
    this.log.replaceChildren();
    this.shown.clear();
    this.trimmed = false;
    this.following = true;
    this.seenTop = 0;
  }

  get oldest() {
    return Number(this.log.firstElementChild?.dataset.id ?? 0);
  }

  get newest() {
    return Number(this.log.lastElementChild?.dataset.id ?? 0);
  }

  has(id) {
    return this.shown.has(id);
  }

  // Those of `messages` not shown yet are placed by id and returned. `older`: fetched
  // on request, so the reader's view holds still even at the bottom.
  insert(messages, older = false) {
    this.noteScroll();
    const stay = !older && this.following;
    const anchor = this.firstVisible();
    const offset = anchor ? anchor.offsetTop - this.log.scrollTop : 0;
    const added = messages.filter((m) => Number.isSafeInteger(m.id) && !this.shown.has(m.id));
    for (const message of added)
      this.place(message);
    if (stay) {
      this.trim();
      this.follow();
    } else if (anchor) {
      this.log.scrollTop = anchor.offsetTop - offset;
    }
    this.noteScroll();
    return added;
  }

  // Sets `trimmed` when older messages are let go: they can be fetched again.
  trim() {
    while (this.shown.size > keptAtMost) {
      this.remove(Number(this.log.firstElementChild.dataset.id));
      this.trimmed = true;
    }
  }

  remove(id) {
    this.shown.get(id)?.remove();
    this.shown.delete(id);
  }

  // Brings a message into view and gives it the focus, so that it is read out.
  reveal(id) {
    const element = this.shown.get(id);
    if (!element)
      return false;
    this.log.querySelector('.scelto')?.classList.remove('scelto');
    element.classList.add('scelto');
    element.tabIndex = -1;
    element.scrollIntoView({ block: 'center' });
    element.focus({ preventScroll: true });
    return true;
  }

  follow() {
    if (!this.following)
      return;
    this.log.scrollTop = this.log.scrollHeight;
    this.seenTop = this.log.scrollTop;
  }

  // Where the reader is, from the log's scrolling since it was last seen: a log that
  // only changed size (a button above it, a phone's keyboard) has not been left.
  noteScroll() {
    if (this.log.scrollTop !== this.seenTop) {
      this.following = this.atBottom();
      this.seenTop = this.log.scrollTop;
    }
  }

  atBottom() {
    return this.log.scrollHeight - this.log.scrollTop - this.log.clientHeight < 8;
  }

  firstVisible() {
    for (const element of this.log.children) {
      if (element.offsetTop + element.offsetHeight > this.log.scrollTop)
        return element;
    }
    return null;
  }

  place(message) {
    const element = fillMessage(document.createElement('p'), message);
    element.className = 'messaggio';
    element.dataset.id = message.id;
    this.shown.set(message.id, element);
    let next = null; // the first shown message with a larger id: usually none
    for (let e = this.log.lastElementChild; e && Number(e.dataset.id) > message.id; e = e.previousElementSibling)
      next = e;
    this.log.insertBefore(element, next);
  }
}
