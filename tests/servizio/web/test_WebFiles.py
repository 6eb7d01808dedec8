"""The page's files as the service serves them: types, headers, revalidation, weight."""
import http.client
import os
import unittest

from webtest import ServiceCase

POLICY = "default-src 'self'; frame-ancestors 'none'; base-uri 'none'; form-action 'self'"
SOURCES = os.path.join(os.path.dirname(__file__), '../../../servizio/web')


class WebFiles(ServiceCase):
    def get(self, path, headers=(), method='GET'):
        connection = http.client.HTTPConnection('127.0.0.1', self.servizio.port, timeout=10)
        connection.putrequest(method, path)
        for name, value in headers:
            connection.putheader(name, value)
        connection.endheaders()
        with connection.getresponse() as reply:
            body = reply.read()
        connection.close()
        return reply, body

    def test_files(self):
        for path, content_type in [('/web/', 'text/html; charset=utf-8'), ('/web/app.js', 'text/javascript; charset=utf-8'),
                                   ('/web/style.css', 'text/css; charset=utf-8'), ('/web/icon.svg', 'image/svg+xml')]:
            with self.subTest(path):
                reply, _ = self.get(path)
                self.assertEqual([reply.status] + [reply.getheader(h) for h in ('Content-Type', 'Content-Security-Policy',
                                 'X-Content-Type-Options', 'Referrer-Policy', 'Cache-Control')],
                                 [200, content_type, POLICY, 'nosniff', 'no-referrer', 'no-cache'])
                self.assertRegex(reply.getheader('ETag'), r'^"[0-9a-f]+"$')
        (head, body), (reply, page) = self.get('/web/', method='HEAD'), self.get('/web/')
        self.assertEqual((head.status, head.getheader('Content-Length'), head.getheader('ETag'), body),
                         (200, str(len(page)), reply.getheader('ETag'), b''))

    def test_revalidation(self):
        tag = self.get('/web/app.js')[0].getheader('ETag')
        for sent, status in [([tag], 304), ([f'W/{tag}'], 304), (['"x", ' + tag], 304), (['"x"', tag], 304),
                             (['*'], 304), (['"x"'], 200), ([tag[:-2] + '"'], 200)]:
            with self.subTest(sent):
                reply, body = self.get('/web/app.js', [('If-None-Match', value) for value in sent])
                self.assertEqual(reply.status, status)
                if status == 304:
                    self.assertEqual((body, reply.getheader('Content-Length'), reply.getheader('ETag')), (b'', None, tag))

    def test_addresses_and_weight(self):
        for path, status, location in [('/web', 308, '/web/'), ('/web/nessuno.js', 404, None),
                                       ('/web/%2e%2e/main.cpp', 404, None), ('/web/index.html/', 404, None)]:
            with self.subTest(path):
                reply, _ = self.get(path)
                self.assertEqual((reply.status, reply.getheader('Location')), (status, location))
        self.assertIn(b'href="/web/"', self.get('/')[1])
        names = [n for n in os.listdir(SOURCES) if not n.endswith(('.cpp', '.h'))]
        self.assertLessEqual(sum(len(self.get(f'/web/{name}')[1]) for name in names), 64 * 1024)
        self.assertGreater(len(names), 3)


if __name__ == '__main__':
    unittest.main()
