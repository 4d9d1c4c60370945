#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The Quorel developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Every website, served locally: an HTTP proxy the test browsers send all traffic to.

Plain requests get a small page naming the host and path; CONNECT tunnels are answered with TLS
(a certificate made for the test hosts) and the same page. Loopback addresses never reach it:
the browsers do not proxy them, so the app's bridge page is fetched directly.

Two paths run a script, on any host:
    /open-popup?URL   opens URL in a popup window (type "popup" to the extension)
    /jump?N&URL       goes to URL followed by N letters "a" (an address of any length)
and two frame or link to another address:
    /frame?URL        shows URL in an iframe
    /link?URL         one link to URL over the whole page, to ctrl+click

Every page served is logged as "fetched http(s)://HOST/PATH?QUERY", so a test can tell that a
blocked address was never asked for.

    browser_test_server.py CERT KEY PORT_FILE
Binds a free loopback port, writes it to PORT_FILE, and serves until killed.
"""
import html
import json
import socketserver
import ssl
import sys
from http.server import BaseHTTPRequestHandler
from urllib.parse import unquote, urlsplit


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"  # one request per connection keeps the tunnel code small
    tunnel_host = None

    def log_message(self, format, *args):
        sys.stderr.write("test-server: %s\n" % (format % args))

    def do_CONNECT(self):
        self.send_response(200, "Connection established")
        self.end_headers()
        self.wfile.flush()
        try:
            tls = self.server.tls.wrap_socket(self.connection, server_side=True)
        except (ssl.SSLError, OSError) as e:
            self.log_message("TLS handshake failed for %s: %s", self.path, e)
            self.close_connection = True
            return
        self.connection = tls
        self.rfile = tls.makefile("rb")
        self.wfile = tls.makefile("wb", buffering=0)
        self.tunnel_host = self.path.rsplit(":", 1)[0]
        self.close_connection = False

    def do_GET(self):
        parts = urlsplit(self.path)
        host = self.tunnel_host or parts.hostname or self.headers.get("Host", "")
        path = parts.path or "/"
        if parts.query:
            path += "?" + parts.query
        self.log_message("fetched %s://%s%s", "https" if self.tunnel_host else "http", host,
                         path)
        title = html.escape("Test page %s%s" % (host, path))
        body_html = "<h1>%s</h1>" % title
        script = ""
        if parts.path == "/open-popup":
            script = ("window.open(%s, 'quorelpopup', 'popup,width=520,height=420');"
                      % json.dumps(unquote(parts.query)))
        elif parts.path == "/jump":
            count, _, target = parts.query.partition("&")
            script = "location.href = %s + 'a'.repeat(%d);" % (json.dumps(unquote(target)),
                                                               int(count))
        elif parts.path == "/frame":
            body_html += '<iframe src="%s" width="600" height="300"></iframe>' % html.escape(
                unquote(parts.query))
        elif parts.path == "/link":
            body_html = ('<a href="%s" style="display:block;width:100vw;height:100vh">%s</a>'
                         % (html.escape(unquote(parts.query)), title))
        if script:
            script = "<script>%s</script>" % script
        body = ("<!doctype html><html><head><title>%s</title>%s</head>"
                "<body style=\"margin:0\">%s</body></html>" % (title, script, body_html)).encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)

    do_POST = do_GET


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    cert, key, port_file = sys.argv[1:4]
    server = Server(("127.0.0.1", 0), Handler)
    server.tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    server.tls.load_cert_chain(cert, key)
    with open(port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    import os
    os.rename(port_file + ".tmp", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
