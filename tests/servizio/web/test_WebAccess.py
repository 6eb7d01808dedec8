"""Accessibility: axe-core finds no WCAG 2.1 A/AA fault, light or dark; 360 px; the keyboard."""
import os
import unittest

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

from webtest import PageCase, chromium

AXE = os.environ.get('CIARLA_AXE', '')
RUN_AXE = """const done = arguments[arguments.length - 1];
axe.run(document, {runOnly: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa']})
  .then(r => done(r.violations.map(v => v.id + ': ' + v.nodes.map(n => n.target.join(' ')).join(', '))));"""


class WebAccess(PageCase):
    def fill(self):
        self.servizio.put(0, 'Anna', 'vedi https://example.org/ciao e rispondi')
        self.open(0)
        self.wait(lambda: len(self.texts()) == 1)
        self.element('cerca').send_keys('vedi', Keys.ENTER)
        self.wait(lambda: self.browser.find_elements(By.CSS_SELECTOR, '[aria-label="Risultati"] button'))

    def test_axe(self):
        self.assertTrue(os.path.isfile(AXE), f'axe-core is not at "{AXE}": run scripts/setup.sh')
        self.fill()
        with open(AXE) as source:
            self.browser.execute_script(source.read())
        for scheme in ('light', 'dark'):
            with self.subTest(scheme):
                self.browser.execute_cdp_cmd('Emulation.setEmulatedMedia', {
                    'features': [{'name': 'prefers-color-scheme', 'value': scheme}]})
                self.assertEqual(self.browser.execute_async_script(RUN_AXE), [])

    def test_narrow_and_keyboard(self):
        self.browser.quit()
        self.browser = chromium(self.servizio.folder, width=360)
        self.fill()
        self.assertEqual(self.browser.execute_script(
            "return [document.documentElement.scrollWidth <= innerWidth,"
            " ...['messaggio', 'invia'].map(id => document.getElementById(id).getBoundingClientRect())"
            "   .map(r => r.width > 0 && r.right <= innerWidth && r.bottom <= innerHeight)]"), [True, True, True])
        reached = {}
        for _ in range(20):
            ActionChains(self.browser).send_keys(Keys.TAB).perform()
            focused = self.browser.switch_to.active_element
            reached[focused.get_attribute('id') or focused.tag_name] = focused.value_of_css_property('outline-style')
        for id in ('stanza', 'cerca', 'notifiche', 'conversazione', 'soprannome', 'messaggio', 'invia'):
            self.assertNotEqual(reached.get(id, 'none'), 'none', f'#{id}: not reached, or no visible focus')


if __name__ == '__main__':
    unittest.main()
