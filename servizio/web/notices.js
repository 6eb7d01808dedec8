// What tells the reader of messages that arrive while the tab is hidden: the count
// in the title and, when allowed, the browser's notifications.
const stored = 'ciarlachat.notifiche';

export class Notices {
  constructor(checkbox, say) {
    this.checkbox = checkbox;
    this.say = say;
    this.roomName = '';
    this.unseen = 0;
    checkbox.checked = localStorage.getItem(stored) === '1' && this.allowed();
    checkbox.addEventListener('change', () => this.toggled());
    document.addEventListener('visibilitychange', () => {
      if (!document.hidden) {
        this.unseen = 0;
        this.showTitle();
      }
    });
  }

  allowed() {
    return 'Notification' in window && Notification.permission === 'granted';
  }

  async toggled() {
    if (this.checkbox.checked && !this.allowed()) {
      const answer = 'Notification' in window ? await Notification.requestPermission() : 'unsupported';
      if (answer !== 'granted') {
        this.checkbox.checked = false;
        this.say(answer === 'unsupported' ? 'Questo browser non mostra notifiche.'
          : 'Il browser non permette le notifiche a questa pagina.');
      }
    }
    localStorage.setItem(stored, this.checkbox.checked ? '1' : '0');
  }

  setRoom(name) {
    this.roomName = name;
    this.unseen = 0;
    this.showTitle();
  }

  // New messages of the room; those of `ownNick` raise no notification.
  arrived(messages, ownNick) {
    if (!document.hidden || messages.length === 0)
      return;
    this.unseen += messages.length;
    this.showTitle();
    const others = messages.filter((m) => m.nick !== ownNick);
    if (!this.checkbox.checked || !this.allowed() || others.length === 0)
      return;
    const title = others.length === 1 ? `Nuovo messaggio da ${others[0].nick}` : `${others.length} nuovi messaggi`;
    new Notification(title, { body: others.at(-1).text, tag: 'ciarlachat' });
  }

  showTitle() {
    document.title = `${this.unseen > 0 ? `(${this.unseen}) ` : ''}CiarlaChat — ${this.roomName}`;
  }
}
