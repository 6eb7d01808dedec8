"""What the browser page's tests share: the real service, a headless Chromium, the put page."""
import os
import re
import socket
import subprocess
import tempfile
import unittest
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service as DriverService
from selenium.webdriver.support.ui import WebDriverWait


class Servizio:
    """ciarla-servizio on a temporary SQLite file; a restart keeps the port it first got."""

    def __init__(self, folder):
        self.folder = folder
        self.args = [os.environ['CIARLA_SERVIZIO'], '--database', os.path.join(folder, 'chat.sqlite'), '--put-limit', '0']
        self.port = 0
        self.start()

    def start(self):
        self.errors = open(os.path.join(self.folder, 'servizio.log'), 'ab')
        self.process = subprocess.Popen(self.args + ['--port', str(self.port)], stdout=subprocess.PIPE,
                                        stderr=self.errors, text=True)
        found = re.search(r':(\d+)/', self.process.stdout.readline())
        if not found:
            self.process.kill()
            with open(self.errors.name, errors='replace') as errors:
                raise AssertionError('ciarla-servizio did not start: ' + errors.read()[-2000:])
        self.port = int(found.group(1))
        self.url = f'http://127.0.0.1:{self.port}'

    def stop(self):
        self.process.terminate()
        self.process.wait(30)
        self.process.stdout.close()
        self.errors.close()

    def put(self, room, nick, text):
        """As the desktop window does: the room's put page, each character as %XX of its Windows-1252 code."""
        code = lambda s: ''.join(f'%{b:02X}' for b in s.encode('cp1252'))
        page = 'putmsgchat.asp' if room == 0 else f'putmsgchat{room}.asp'
        with urllib.request.urlopen(f'{self.url}/{page}?NOME={code(nick)}&messaggio={code(text)}') as reply:
            assert reply.status == 200, reply.status


def listening(port):
    with socket.socket() as probe:
        return probe.connect_ex(('127.0.0.1', port)) == 0


def chromium(folder, width=1000):
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for argument in ('--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                     '--disable-background-networking', '--disable-component-update', '--disable-sync',
                     f'--window-size={width},760', '--user-data-dir=' + tempfile.mkdtemp(dir=folder)):
        options.add_argument(argument)
    try:
        return webdriver.Chrome(service=DriverService('/usr/bin/chromedriver'), options=options)
    except Exception as error:
        raise AssertionError(f'cannot start chromium through chromedriver: {error}') from error


class ServiceCase(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        self.servizio = Servizio(folder.name)
        self.addCleanup(lambda: self.servizio.stop())


class PageCase(ServiceCase):
    def setUp(self):
        super().setUp()
        self.browser = chromium(self.servizio.folder)
        self.addCleanup(lambda: self.browser.quit())

    def wait(self, condition, seconds=10, message=''):
        return WebDriverWait(self.browser, seconds).until(lambda _: condition(), message)

    def open(self, room=0, base=None):
        self.browser.get(f'{base or self.servizio.url}/web/#stanza{room}')
        self.wait(lambda: self.browser.title.startswith('CiarlaChat — '), message='the page did not open the room')

    def texts(self):
        return self.browser.execute_script(
            "return [...document.querySelectorAll('#conversazione .testo')].map(e => e.textContent)")

    def element(self, id):
        return self.browser.find_element('id', id)
