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
"""
import argparse
import os
import urllib.parse
import socket
import socketserver
import struct
import threading
import time
from email.utils import formatdate
from http.server import BaseHTTPRequestHandler

HERE = os.path.dirname(os.path.abspath(__file__))
FEEDS = os.path.join(HERE, "feeds")
HOSTILE = os.path.join(HERE, "..", "hostile", "feeds")
GENERATED = {}
CORPUS = None


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
        path = os.path.join(folder, os.path.basename(name))
        if not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def do_GET(self):
        p = self.path.split("?")[0]
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)
        ctype = "text/xml"
        if "charset" in query:
            ctype += "; charset=" + query["charset"][0]
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


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port-file", required=True)
    ap.add_argument("--lifetime", type=float, default=1800)
    ap.add_argument("--corpus", help="a folder of feeds served at /corpus/")
    args = ap.parse_args()
    global CORPUS
    CORPUS = args.corpus
    server = Server(("127.0.0.1", 0), Handler)
    port = server.server_address[1]
    tmp = args.port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write(str(port))
    os.replace(tmp, args.port_file)
    threading.Timer(args.lifetime, server.shutdown).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
