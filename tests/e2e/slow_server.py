#!/usr/bin/python3
"""A local list server for the end-to-end test: the first GET gets the whole page at once, every
later GET a page that trickles in far too slowly to finish, so it can be cancelled.

  slow_server.py PAGE PORT_FILE     PAGE is UTF-8 and is sent as CP932, as the site sends it"""
import http.server, sys, threading, time

page = open(sys.argv[1], encoding='utf-8').read().encode('cp932')
gets = 0
lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.0'

    def log_message(self, *args):
        pass

    def do_HEAD(self):
        self.send_response(200)
        self.send_header('Content-Length', str(len(page)))
        self.end_headers()

    def do_GET(self):
        global gets
        with lock:
            gets += 1
            first = gets == 1
        self.send_response(200)
        if first:
            self.send_header('Content-Length', str(len(page)))
            self.end_headers()
            self.wfile.write(page)
            return
        self.send_header('Content-Length', str(512 * 1024))
        self.end_headers()
        try:
            for _ in range(600):
                self.wfile.write(b' ' * 1024)
                self.wfile.flush()
                time.sleep(0.2)
        except (BrokenPipeError, ConnectionResetError):
            pass


server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
server.daemon_threads = True
with open(sys.argv[2], 'w') as f:
    f.write(str(server.server_address[1]))
server.serve_forever()
