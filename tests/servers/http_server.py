#!/usr/bin/python3
"""Loopback HTTP server for the download tests.

Serves the files below --root on 127.0.0.1 and a few paths that misbehave
on purpose; prints "PORT <n>" once it listens.

  /missing           404
  /truncated         promises 1000 bytes, sends 10, closes
  /nolength          a body without Content-Length, ended by closing
  /stall             sends a few bytes, then nothing, for a long time
  /silent            reads the request and never answers
  /redirect/<path>   302 to /<path>
  /status/<code>     answers <code> with a short body
  /big/<n>           <n> bytes, announced with Content-Length
  /flood             FLOOD_BYTES without Content-Length, ended by closing:
                     far more than any test's size limit, yet bounded, so
                     a client without a limit fills no disk
  /trickle/<n>/<ms>  <n> bytes (announced), one every <ms> milliseconds
  /hold/<path>       with --hold-dir DIR: /<path>, once the test lets it go
                     (held.py); the marker holds "/<path>"

With --log FILE every requested path (query included) is appended to FILE.
"""
import argparse
import http.server
import os
import socketserver
import sys
import time

from held import HOLD_POLL, hold_marker, still_held

FLOOD_BYTES = 8 << 20


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    log_file = None
    hold_dir = None

    def do_GET(self):
        if Handler.log_file:
            with open(Handler.log_file, "a", encoding="utf-8") as log:
                log.write(self.path + "\n")
        if self.path == "/missing":
            self.send_error(404)
        elif self.path == "/truncated":
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"0123456789")
            self.wfile.flush()
            self.close_connection = True
        elif self.path == "/nolength":
            self.protocol_version = "HTTP/1.0"
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(b"no length given\n" * 64)
            self.close_connection = True
        elif self.path == "/stall":
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"x" * 10)
            self.wfile.flush()
            time.sleep(600)
        elif self.path == "/silent":
            time.sleep(600)
            self.close_connection = True
        elif self.path.startswith("/status/"):
            self.send_error(int(self.path[len("/status/"):]))
        elif self.path.startswith("/big/"):
            size = int(self.path[len("/big/"):])
            self.send_response(200)
            self.send_header("Content-Length", str(size))
            self.end_headers()
            self.send_bytes(size)
        elif self.path == "/flood":
            self.protocol_version = "HTTP/1.0"
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            self.send_bytes(FLOOD_BYTES)
            self.close_connection = True
        elif self.path.startswith("/trickle/"):
            count, interval = (int(part) for part in self.path.split("/")[2:4])
            self.send_response(200)
            self.send_header("Content-Length", str(count))
            self.end_headers()
            try:
                for _ in range(count):
                    self.wfile.write(b"t")
                    self.wfile.flush()
                    time.sleep(interval / 1000.0)
            except (BrokenPipeError, ConnectionResetError):
                self.close_connection = True
        elif self.path.startswith("/hold/") and Handler.hold_dir:
            self.path = self.path[len("/hold"):]
            marker, deadline = hold_marker(Handler.hold_dir, self.path)
            while still_held(marker, deadline):
                time.sleep(HOLD_POLL)
            super().do_GET()
        elif self.path.startswith("/redirect/"):
            self.send_response(302)
            self.send_header("Location", "/" + self.path[len("/redirect/"):])
            self.send_header("Content-Length", "0")
            self.end_headers()
        else:
            super().do_GET()


    def send_bytes(self, size):
        """Sends `size` bytes, or fewer when the client hangs up."""
        chunk = b"b" * 65536
        sent = 0
        try:
            while sent < size:
                part = chunk[:size - sent]
                self.wfile.write(part)
                sent += len(part)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--log")
    parser.add_argument("--hold-dir")
    args = parser.parse_args()
    Handler.log_file = args.log
    Handler.hold_dir = os.path.realpath(args.hold_dir) if args.hold_dir else None
    os.chdir(args.root)
    server = Server(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
