"""The page driven as a person would, against the real service."""
import os
import socket
import subprocess
import unittest
import urllib.request

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select

from webtest import PageCase, listening

LOG = "document.getElementById('conversazione')"


def refused(nginx_log):
    with open(nginx_log) as file:
        text = file.read()
    return 'connect() failed' in text or 'no live upstreams' in text


class WebPage(PageCase):
    def send(self, *lines):
        box = self.element('messaggio')
        box.send_keys(lines[0])
        for line in lines[1:]:
            ActionChains(self.browser).key_down(Keys.SHIFT).send_keys(Keys.ENTER).key_up(Keys.SHIFT).perform()
            box.send_keys(line)
        box.send_keys(Keys.ENTER)
        self.wait(lambda: '\n'.join(lines) in self.texts(), message='the message sent is not shown')
        self.assertEqual(box.get_attribute('value'), '')

    def test_conversation(self):
        self.open(0)
        Select(self.element('stanza')).select_by_visible_text('Chat dei Valligiani')
        self.wait(lambda: self.browser.current_url.endswith('#stanza1')
                  and self.browser.title == 'CiarlaChat — Chat dei Valligiani')
        self.element('soprannome').send_keys('Giulia')
        self.send('prima riga', 'seconda riga')
        self.element('messaggio').send_keys('x' * 601, Keys.ENTER)
        self.wait(lambda: 'al massimo 600 caratteri' in self.element('stato').text, message='no refusal said')
        self.assertEqual(len(self.element('messaggio').get_attribute('value')), 601)
        self.element('messaggio').clear()
        with urllib.request.urlopen(f'{self.servizio.url}/getmsgchat1.asp') as poll:
            self.assertIn('seconda riga', poll.read().decode('cp1252'))

        hostile = '<img src=x onerror="window.violato=1"><script>window.violato=2</script> https://example.org/a?b=1.'
        self.servizio.put(1, 'Marco', hostile)
        self.wait(lambda: hostile in self.texts(), seconds=2, message='the put did not arrive within 2 s')
        self.assertEqual(self.browser.execute_script(
            f"return [{LOG}.querySelectorAll('img, script').length, window.violato ?? null,"
            f" [...{LOG}.querySelectorAll('a')].map(a => [a.href, a.target, a.rel])]"),
            [0, None, [['https://example.org/a?b=1', '_blank', 'noopener noreferrer']]])

        self.browser.refresh()
        self.wait(lambda: len(self.texts()) == 2)
        self.assertEqual(self.element('soprannome').get_attribute('value'), 'Giulia')

        # Notifications allowed, as a person clicking "Allow" would; the page's own are recorded.
        self.browser.execute_cdp_cmd('Browser.grantPermissions', {'permissions': ['notifications']})
        self.element('notifiche').click()
        self.browser.execute_script('window.shown = []; window.Notification = class extends Notification {'
                                    ' constructor(title, options) { super(title, options); shown.push(title); } }')
        page = self.browser.current_window_handle
        self.browser.switch_to.new_window('tab')
        self.servizio.put(1, 'Marco', 'mentre guardi altrove')
        self.servizio.put(1, 'Giulia', 'da un altro computer')
        self.wait(lambda: '(2) CiarlaChat — Chat dei Valligiani' in [
            t['title'] for t in self.browser.execute_cdp_cmd('Target.getTargets', {})['targetInfos']])
        self.browser.switch_to.window(page)
        self.assertEqual(self.browser.execute_script('return window.shown'), ['Nuovo messaggio da Marco'])
        self.wait(lambda: self.browser.title == 'CiarlaChat — Chat dei Valligiani')

    def test_history_and_search(self):
        for n in range(120):
            self.servizio.put(2, 'Anna', f'storico {n}')
        self.servizio.put(3, 'Bruno', 'una parola rarissima')
        self.open(2)
        self.wait(lambda: len(self.texts()) == 50)
        at_bottom = f'return {LOG}.scrollHeight - {LOG}.scrollTop - {LOG}.clientHeight < 8'
        older = self.element('precedenti')
        while older.is_displayed():
            shown = len(self.texts())
            older.click()
            self.wait(lambda: len(self.texts()) > shown or not older.is_displayed())
        self.assertEqual(self.texts(), [f'storico {n}' for n in range(120)])
        self.assertTrue(self.element('inizio').is_displayed())
        for scroll, bottom in [(f'{LOG}.scrollTop = {LOG}.scrollHeight', True), (f'{LOG}.scrollTop = 0', False)]:
            self.browser.execute_script(scroll)
            self.servizio.put(2, 'Anna', f'in fondo {bottom}')
            self.wait(lambda: f'in fondo {bottom}' in self.texts())
            self.assertEqual(self.browser.execute_script(at_bottom), bottom)
            self.assertEqual(self.browser.execute_script(f'return {LOG}.scrollTop') == 0, not bottom)

        self.element('cerca').send_keys('RARISS', Keys.ENTER)
        found = self.wait(lambda: self.browser.find_elements(By.CSS_SELECTOR, '[aria-label="Risultati"] button'))
        self.assertEqual(len(found), 1)
        self.assertIn('una parola rarissima', found[0].text)
        found[0].click()
        self.wait(lambda: self.browser.current_url.endswith('#stanza3'))
        self.wait(lambda: self.browser.switch_to.active_element.text.endswith('una parola rarissima'))

    def test_service_restart(self):
        self.servizio.put(0, 'Anna', 'prima')
        self.open(0)
        self.wait(lambda: self.texts() == ['prima'])
        self.servizio.stop()
        self.wait(lambda: self.element('stato').text == 'servizio non raggiungibile')
        self.servizio.start()
        self.servizio.put(0, 'Anna', 'mentre era via')
        self.wait(lambda: self.texts() == ['prima', 'mentre era via'], seconds=30, message=str(self.texts()))
        self.wait(lambda: self.element('stato').text == '')
        self.servizio.put(0, 'Anna', 'dopo')
        self.wait(lambda: self.texts() == ['prima', 'mentre era via', 'dopo'], message=str(self.texts()))

    def test_through_nginx(self):
        folder = self.servizio.folder
        with socket.socket() as free:
            free.bind(('127.0.0.1', 0))
            port = free.getsockname()[1]
        snippet = os.path.join(os.path.dirname(__file__), '../../../deploy/nginx/ciarla-servizio-proxy.conf')
        with open(f'{folder}/nginx.conf', 'w') as config:
            config.write(f'''daemon off; pid {folder}/nginx.pid; error_log {folder}/error.log; events {{}}
http {{ access_log off; client_body_temp_path {folder}; proxy_temp_path {folder};
  upstream ciarla_servizio {{ server 127.0.0.1:{self.servizio.port}; keepalive 8; }}
  server {{ listen 127.0.0.1:{port}; include {os.path.abspath(snippet)}; }} }}''')
        nginx = subprocess.Popen(['nginx', '-p', folder, '-e', f'{folder}/error.log', '-c', f'{folder}/nginx.conf'])
        self.addCleanup(lambda: (nginx.terminate(), nginx.wait(10)))
        self.wait(lambda: nginx.poll() is not None or listening(port))
        with open(f'{folder}/error.log') as errors:
            self.assertIsNone(nginx.poll(), 'nginx did not start: ' + errors.read())
        self.open(0, base=f'http://127.0.0.1:{port}')
        self.element('soprannome').send_keys('Piero')
        self.send('attraverso il proxy')
        self.servizio.put(0, 'Marco', 'dal desktop')
        self.wait(lambda: 'dal desktop' in self.texts(), seconds=2, message='the put did not arrive within 2 s')
        # nginx answers for the stopped service: the browser gives that stream up, the page opens another.
        self.servizio.stop()
        self.wait(lambda: self.element('stato').text == 'servizio non raggiungibile')
        self.wait(lambda: refused(f'{folder}/error.log'), seconds=30, message='nginx refused no stream')
        self.servizio.start()
        self.servizio.put(0, 'Marco', 'di ritorno')
        self.wait(lambda: 'di ritorno' in self.texts() and self.element('stato').text == '', seconds=30)


if __name__ == '__main__':
    unittest.main()
