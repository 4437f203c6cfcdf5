#!/usr/bin/env python3
"""A stand-in for the maker's web site in the update tests: serves the files of a folder on
127.0.0.1 over plain HTTP (loopback only) and logs every request line to requests.log there.

Beside a served file NAME the tests may put:
  NAME.fail   a count: answer 503 that many times first (the count goes down per request)
  NAME.mode   "truncate": announce twice the length and close early;
              "nolength": no Content-Length, the body ends when the connection closes
The chosen port is written to the file "port" once the server listens.
"""
import http.server
import os
import sys

root = os.path.abspath(sys.argv[1])


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        pass

    def do_HEAD(self):
        self.answer(False)

    def do_GET(self):
        self.answer(True)

    def side_file(self, name, suffix):
        path = os.path.join(root, name + suffix)
        return path if os.path.isfile(path) else None

    def answer(self, with_body):
        name = os.path.basename(self.path.split("?")[0])
        with open(os.path.join(root, "requests.log"), "a") as log:
            log.write(f"{self.command} /{name}\n")
        fail = self.side_file(name, ".fail")
        if fail:
            with open(fail) as f:
                left = int(f.read().strip() or "0")
            if left > 0:
                with open(fail, "w") as f:
                    f.write(str(left - 1))
                self.send_response(503)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
        path = os.path.join(root, name)
        if not name or not os.path.isfile(path):
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        with open(path, "rb") as f:
            data = f.read()
        mode_file = self.side_file(name, ".mode")
        mode = open(mode_file).read().strip() if mode_file else ""
        self.send_response(200)
        if mode == "truncate":
            self.send_header("Content-Length", str(len(data) * 2))
        elif mode == "nolength":
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if with_body:
            self.wfile.write(data)
        if mode in ("truncate", "nolength"):
            self.close_connection = True


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
with open(os.path.join(root, "port.tmp"), "w") as f:
    f.write(str(server.server_address[1]))
os.replace(os.path.join(root, "port.tmp"), os.path.join(root, "port"))
server.serve_forever()
