#!/usr/bin/env python3
"""Local HTTP server for the downloader and feed tests, on 127.0.0.1 only.

Writes its port to the file named by --port-file, serves until killed or
until --lifetime seconds have passed. Fault modes by path:
  /feeds/NAME          a file from feeds/ (Content-Length set); with
                       ?charset=X its Content-Type is "text/xml; charset=X"
  /corpus/NAME         a file from the folder given by --corpus (same query)
  /nolength/NAME       the same file without Content-Length (connection close)
  /redirect/NAME       302 to /feeds/NAME
  /missing             404 with a body
  /stall               headers, then nothing (until the server stops)
  /drip                a feed sent one byte every 50 ms
  /reset               half of a declared body, then the connection is reset
  /big                 a 20 MB body
  /empty               200 with an empty body
  /dated.xml           a Windows-1251 feed dated relative to now (one item in the future)
  /hostile/NAME        a file from ../hostile/feeds/
  /status500           500 with an HTML body
  /gen/items.xml       200,000 items, newest first ("Item 200000" on top)
  /gen/itemsN.xml      N items, the same way
  /gen/huge.xml        a 50 MB feed of small items
  /gen/title.xml       one item with a 1 MB title
  /gen/deep.xml        elements nested 100,000 deep, then one item
  /to-https/NAME       302 to /feeds/NAME on the HTTPS listener with the good certificate
  /to-http/NAME        302 to /feeds/NAME on the plain HTTP listener
  /gzip/NAME           feeds/NAME gzip-compressed (406 unless the request accepts gzip)
  /deflate/NAME        the deflate coding as RFC 9110 has it (zlib-wrapped) when the
                       request accepts deflate, else the plain file
  /deflate-raw/NAME    the same with a bare deflate stream, as some servers send it
  /gzip-cut/NAME       half of the compressed body, then the connection is reset
  /cond/NAME           feeds/NAME with an ETag and a Last-Modified date; 304 when a
                       request's If-None-Match or If-Modified-Since matches them
  /cond-page/NAME      the same for pages/NAME (text/html)
  /cond-file/NAME      the same for files/NAME (the ETag follows what a test writes)
  /once/500/NAME       feeds/NAME the first time, 500 every later time (per path)
  /once/bad/NAME       feeds/NAME the first time, then a document that does not parse
  /once/late/NAME      feeds/NAME the first time, then 2 s late the same feed with a newer
                       item on top ("Свежая новость", a day after the newest)
  /trickle             a 6 KB feed sent in 100-byte pieces every 50 ms
  /files/NAME          a file from the files/ folder beside the port file; MODE/files/NAME
                       serves it in MODE (cond, once/500, ...) as MODE/NAME a file of feeds/
  /pages/NAME          a web page from pages/ (text/html, with ?charset=X its charset):
                       a site's address given for its feed
  /k/KEY/PATH          PATH as above; the request line and headers are appended to
                       seen/KEY.txt beside the port file, a blank line after each

With --tls DIR (made by make_test_certs.sh) it also serves HTTPS, one listener
per server certificate (good, untrusted, untrusted_chain, wronghost, expired),
and writes "NAME PORT" lines to PORT_FILE's folder, file feed_server.tls.
"""
import argparse
import gzip
import hashlib
import os
import urllib.parse
import socket
import socketserver
import ssl
import struct
import threading
import time
import zlib
from email.utils import formatdate, parsedate_to_datetime
from http.server import BaseHTTPRequestHandler

HERE = os.path.dirname(os.path.abspath(__file__))
FEEDS = os.path.join(HERE, "feeds")
PAGES = os.path.join(HERE, "pages")
HOSTILE = os.path.join(HERE, "..", "hostile", "feeds")
GENERATED = {}
CORPUS = None
PORTS = {}          # listener name -> port ("http", "good", ...)
FILES = None        # the files/ folder beside the port file
SEEN = None         # the seen/ folder beside the port file
HITS = {}           # path -> requests so far (for /once/)
STATE = threading.Lock()
LAST_MODIFIED = "Mon, 07 Nov 2011 12:00:00 GMT"
TRICKLE = (b'<?xml version="1.0" encoding="utf-8"?><rss version="2.0"><channel><item><title>Trickle</title>'
           b'</item><!--' + b"x" * 5900 + b"--></channel></rss>")


def items_feed(count, pad=""):
    now = time.time() - 60
    parts = ['<?xml version="1.0" encoding="utf-8"?><rss version="2.0"><channel><title>t</title>']
    for i in range(count, 0, -1):
        parts.append("<item><title>Item %d</title><pubDate>%s</pubDate>%s</item>\n"
                     % (i, formatdate(now - (count - i), usegmt=True), pad))
    parts.append("</channel></rss>")
    return "".join(parts).encode("utf-8")


def generated(name):
    """Big hostile feeds, built once per server."""
    if name not in GENERATED:
        if name == "items.xml":
            body = items_feed(200000)
        elif name.startswith("items") and name[5:-4].isdigit():  # itemsN.xml: N items
            body = items_feed(int(name[5:-4]))
        elif name == "huge.xml":
            body = items_feed(340000, "<description>%s</description>" % ("x" * 40))
        elif name == "title.xml":
            title = ("Длинный заголовок " * 60000)[: 1 << 19]  # 1 MB of UTF-8
            body = ('<?xml version="1.0" encoding="utf-8"?><rss><channel><item><title>%s</title></item>'
                    "</channel></rss>" % title).encode("utf-8")
        elif name == "deep.xml":
            depth = 100000
            body = ('<?xml version="1.0"?><rss><channel>' + "<a>" * depth + "</a>" * depth +
                    "<item><title>Deep</title></item></channel></rss>").encode("ascii")
        else:
            return None
        GENERATED[name] = body
    return GENERATED[name]


def dated_feed():
    now = time.time()
    items = [("Час назад", now - 3600), ("Завтра", now + 86400), ("Два часа назад", now - 7200)]
    body = '<?xml version="1.0" encoding="windows-1251"?><rss version="2.0"><channel><title>t</title>'
    for title, when in items:
        body += "<item><title>%s</title><pubDate>%s</pubDate></item>" % (title, formatdate(when, usegmt=True))
    body += "<item><title>Без даты</title></item></channel></rss>"
    return body.encode("cp1251")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def handle(self):
        # The TLS handshake runs here, on the request's own thread: a client
        # that refuses the certificate ends only its own connection.
        if isinstance(self.request, ssl.SSLSocket):
            try:
                self.request.do_handshake()
            except (ssl.SSLError, OSError):
                return
        try:
            super().handle()
        except (ssl.SSLError, ConnectionError):
            pass

    def send_body(self, body, length=True, code=200, ctype="text/xml"):
        self.send_response(code)
        self.send_header("Content-Type", ctype)
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()

    def feed(self, name, folder=FEEDS):
        if name.startswith("files/") and FILES:  # a feed a test wrote, in any mode that serves feeds/
            folder, name = FILES, name[len("files/"):]
        path = os.path.join(folder, os.path.basename(name))
        if not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def compressed(self, p, coding, cut=False, raw=False):
        body = self.feed(p) or b""
        if coding not in self.headers.get("Accept-Encoding", ""):
            if coding == "gzip":
                return self.send_body(b"compression not accepted", code=406, ctype="text/plain")
            return self.send_body(body)
        if coding == "gzip":
            packed = gzip.compress(body)
        elif raw:
            packer = zlib.compressobj(9, zlib.DEFLATED, -15)
            packed = packer.compress(body) + packer.flush()
        else:
            packed = zlib.compress(body)
        self.send_response(200)
        self.send_header("Content-Type", "text/xml")
        self.send_header("Content-Encoding", coding)
        self.send_header("Content-Length", str(len(packed)))
        self.end_headers()
        if not cut:
            self.wfile.write(packed)
            return
        self.wfile.write(packed[: len(packed) // 2])
        self.wfile.flush()
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.connection.close()

    def conditional(self, name, folder=FEEDS, ctype="text/xml"):
        body = self.feed(name, folder)
        if body is None:
            return self.send_body(b"no", code=404)
        etag = '"%s"' % hashlib.sha1(body).hexdigest()[:16]
        match = self.headers.get("If-None-Match")
        since = self.headers.get("If-Modified-Since")
        fresh = match == etag if match else False
        if not match and since:
            try:
                fresh = parsedate_to_datetime(since) >= parsedate_to_datetime(LAST_MODIFIED)
            except (TypeError, ValueError):
                fresh = False
        if fresh:
            self.send_response(304)
            self.send_header("ETag", etag)
            self.end_headers()
            return
        self.send_response(200)
        self.send_header("Content-Type", ctype)
        self.send_header("ETag", etag)
        self.send_header("Last-Modified", LAST_MODIFIED)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def redirect(self, location):
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_GET(self):
        p = self.path.split("?")[0]
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)
        ctype = "text/xml"
        if "charset" in query:
            ctype += "; charset=" + query["charset"][0]
        if p.startswith("/k/"):
            key, _, rest = p[len("/k/"):].partition("/")
            record = "GET %s\n%s\n\n" % (self.path, self.headers.as_string().rstrip("\n"))
            with STATE, open(os.path.join(SEEN, os.path.basename(key) + ".txt"), "a") as f:
                f.write(record)
            p = "/" + rest
        if p.startswith("/to-https/") and "good" in PORTS:
            return self.redirect("https://127.0.0.1:%d/feeds/%s" % (PORTS["good"], p[len("/to-https/"):]))
        if p.startswith("/to-http/"):
            return self.redirect("http://127.0.0.1:%d/feeds/%s" % (PORTS["http"], p[len("/to-http/"):]))
        for prefix, coding, cut, raw in (("/gzip/", "gzip", False, False), ("/deflate/", "deflate", False, False),
                                         ("/deflate-raw/", "deflate", False, True), ("/gzip-cut/", "gzip", True, False)):
            if p.startswith(prefix):
                return self.compressed(p[len(prefix):], coding, cut, raw)
        if p.startswith("/cond/"):
            return self.conditional(p[len("/cond/"):])
        if p.startswith("/cond-page/"):
            return self.conditional(p[len("/cond-page/"):], PAGES, "text/html")
        if p.startswith("/cond-file/") and FILES:
            return self.conditional(p[len("/cond-file/"):], FILES)
        if p.startswith("/once/"):
            mode, _, name = p[len("/once/"):].partition("/")
            with STATE:
                HITS[self.path] = HITS.get(self.path, 0) + 1
                first = HITS[self.path] == 1
            if first:
                body = self.feed(name)
                return self.send_body(body) if body is not None else self.send_body(b"no", code=404)
            if mode == "bad":
                return self.send_body(b'<?xml version="1.0"?><rss><channel><item><title>Broken')
            if mode == "late":
                body = self.feed(name)
                if body is None:
                    return self.send_body(b"no", code=404)
                time.sleep(2)
                newer = "<item><title>Свежая новость</title><pubDate>Tue, 08 Nov 2011 09:00:00 GMT</pubDate></item>"
                at = body.find(b"<item>")
                return self.send_body(body[:at] + newer.encode("utf-8") + body[at:])
            return self.send_body(b"<html>Internal Server Error</html>", code=500, ctype="text/html")
        if p == "/trickle":
            self.send_response(200)
            self.send_header("Content-Type", "text/xml")
            self.send_header("Content-Length", str(len(TRICKLE)))
            self.end_headers()
            for at in range(0, len(TRICKLE), 100):
                self.wfile.write(TRICKLE[at:at + 100])
                self.wfile.flush()
                time.sleep(0.05)
            return
        if p.startswith("/files/") and FILES:
            path = os.path.join(FILES, os.path.basename(p))
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    return self.send_body(f.read())
            return self.send_body(b"no", code=404)
        if p.startswith("/pages/"):
            body = self.feed(p[len("/pages/"):], PAGES)
            return (self.send_body(body, ctype=ctype.replace("text/xml", "text/html")) if body is not None
                    else self.send_body(b"no", code=404))
        if p.startswith("/feeds/") or (p.startswith("/corpus/") and CORPUS):
            folder = FEEDS if p.startswith("/feeds/") else CORPUS
            body = self.feed(p[p.index("/", 1) + 1:], folder)
            return self.send_body(body, ctype=ctype) if body is not None else self.send_body(b"no", code=404)
        if p.startswith("/nolength/"):
            body = self.feed(p[len("/nolength/"):]) or b""
            return self.send_body(body, length=False)
        if p.startswith("/redirect/"):
            self.send_response(302)
            self.send_header("Location", "/feeds/" + p[len("/redirect/"):])
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if p == "/missing":
            return self.send_body(b"<html>not here</html>", code=404, ctype="text/html")
        if p == "/stall":
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.flush()
            time.sleep(3600)
            return
        if p == "/drip":
            body = self.feed("utf8.xml")
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            for b in body:
                self.wfile.write(bytes([b]))
                self.wfile.flush()
                time.sleep(0.05)
            return
        if p == "/reset":
            body = self.feed("utf8.xml")
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.connection.close()
            return
        if p == "/big":
            chunk = b"x" * 65536
            self.send_response(200)
            self.send_header("Content-Length", str(20 * 1024 * 1024))
            self.end_headers()
            for _ in range(320):
                self.wfile.write(chunk)
            return
        if p == "/empty":
            return self.send_body(b"")
        if p.startswith("/hostile/"):
            path = os.path.join(HOSTILE, os.path.basename(p))
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    return self.send_body(f.read())
            return self.send_body(b"no", code=404)
        if p.startswith("/gen/"):
            body = generated(p[len("/gen/"):])
            return self.send_body(body) if body is not None else self.send_body(b"no", code=404)
        if p == "/status500":
            return self.send_body(b"<html><body>Internal Server Error</body></html>", code=500, ctype="text/html")
        if p == "/dated.xml":
            return self.send_body(dated_feed())
        return self.send_body(b"no", code=404)


class Server(socketserver.ThreadingMixIn, socketserver.TCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # a client that gives up mid-request is part of the tests


def tls_server(cert_dir, name):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(cert_dir, name + ".pem"), os.path.join(cert_dir, "server.key"))
    server = Server(("127.0.0.1", 0), Handler)
    server.socket = context.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
    return server


def write_atomically(path, text):
    with open(path + ".tmp", "w") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def main():
    global FILES, SEEN
    ap = argparse.ArgumentParser()
    ap.add_argument("--port-file", required=True)
    # Only a guard against a server left behind: a first test run in a fresh
    # Wine prefix has taken 40 minutes, and the soak runs last.
    ap.add_argument("--lifetime", type=float, default=4 * 3600)
    ap.add_argument("--tls", help="folder of the test certificates")
    ap.add_argument("--corpus", help="a folder of feeds served at /corpus/")
    args = ap.parse_args()
    global CORPUS
    CORPUS = args.corpus
    folder = os.path.dirname(os.path.abspath(args.port_file))
    FILES = os.path.join(folder, "files")
    SEEN = os.path.join(folder, "seen")
    os.makedirs(SEEN, exist_ok=True)
    servers = {"http": Server(("127.0.0.1", 0), Handler)}
    if args.tls:
        for name in ("good", "untrusted", "untrusted_chain", "wronghost", "expired"):
            servers[name] = tls_server(args.tls, name)
    for name, server in servers.items():
        PORTS[name] = server.server_address[1]
    for server in list(servers.values())[1:]:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    if args.tls:
        write_atomically(os.path.join(folder, "feed_server.tls"),
                         "".join("%s %d\n" % (n, p) for n, p in PORTS.items() if n != "http"))
    write_atomically(args.port_file, str(PORTS["http"]))  # last: the tests start once it is there
    threading.Timer(args.lifetime, servers["http"].shutdown).start()
    servers["http"].serve_forever()


if __name__ == "__main__":
    main()
