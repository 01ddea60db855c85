#!/usr/bin/python3
"""Loopback FTP server for the transfer tests.

Serves --root to one account on 127.0.0.1 and prints "PORT <n>" once it
listens, so a test can pick port 0 and learn the real one.

A file whose name starts with one of these prefixes misbehaves when it is
fetched (RETR); the file itself must exist below --root:

  stall-     sends 10 bytes, then nothing, keeping both connections open;
             an upload (STOR) of a file so named takes 10 bytes, then
             reads no more
  drop-      sends 10 bytes, then closes both connections
  flood-     sends FLOOD_BYTES, far more than any test's size limit, yet
             bounded so a client without a limit fills no disk; SIZE does
             not tell the size
  trickle-   sends the file one byte every TRICKLE_INTERVAL seconds: never
             silent, yet far too slow
  hang-      sends (or, for an upload, takes) the whole file, then never
             says that the transfer is complete: the reply the client
             waits for after the data never comes
  slow-reply- answers with a continuation line ("150-...") every
             TRICKLE_INTERVAL seconds, SLOW_REPLY_LINES of them, before the
             real answer: the control connection trickles; an upload (STOR)
             of a file so named is answered so too

With --act NAME=ACT (repeatable) the file called NAME, wherever it lies,
misbehaves as ACT does above, whatever its name starts with. A file so
named "drop" also drops an upload (STOR): both connections close before a
byte is taken.

With --hold-dir DIR every upload (STOR) and every download (RETR) of an
ordinary file is held back until the test lets it go (held.py); the marker
holds the remote path.

An upload the client sends under a temporary name beside the file
(".NAME.pelloran-upload") misbehaves as the file NAME would.

With --cut POINT (repeatable) the link breaks once, the first time POINT
matches: both connections close, the server itself goes on. POINT is
"CMD:NAME" for SIZE, RNFR, RNTO or DELE naming a file whose name contains
NAME (the link breaks before the command acts), or "STOR:NAME:BYTES" for an
upload of such a file, broken once BYTES bytes have arrived ("0": before the
first, "all": once every byte is stored, in place of the reply). With --die
a cut ends the server instead, as a receiver whose FTP server is killed.
With --refuse-rename every RNTO is answered "553". With --no-size every SIZE
is answered "502". With --short-store NAME an upload of a file whose name
contains NAME keeps only its first half, the reply saying all went well.
With --no-room CODE (452 or 552) every upload under a temporary name is
answered CODE, as a receiver whose flash has no room for a second copy of
a file; an upload straight into a file goes through.

With --silent the server accepts connections and never says a word.
With --mute-quit the server never answers QUIT and keeps the connection
open, as a receiver whose FTP server hangs does.
With --refuse-chmod every SITE CHMOD is answered "550" (as receivers whose
file system does not know modes do). With --log FILE the path of every
download (RETR) and upload (STOR) is appended to FILE as "RETR <path>" or
"STOR <path>", and the new name of every rename as "RNTO <path>", each
relative to --root with a leading "/".
"""
import argparse
import os
import socket
import sys

from held import HOLD_POLL, hold_marker, still_held
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer

ACTS = ("stall", "drop", "flood", "trickle", "slow-reply", "hang")
FIRST_BYTES = 10
FLOOD_BYTES = 8 << 20
TRICKLE_INTERVAL = 0.1
SLOW_REPLY_LINES = 600


NAMED_ACTS = {}
UPLOAD_SUFFIX = ".pelloran-upload"
CUT_COMMANDS = ("STOR", "SIZE", "RNFR", "RNTO", "DELE")
NO_ROOM_REPLIES = {
    "452": "452 Insufficient storage space in system.",
    "552": "552 Exceeded storage allocation.",
}


def acted_name(path):
    """The name of the file a path stands for: a temporary upload stands
    for the file it is to replace."""
    name = os.path.basename(path)
    if name.startswith(".") and name.endswith(UPLOAD_SUFFIX) and len(name) > len(UPLOAD_SUFFIX) + 1:
        return name[1:-len(UPLOAD_SUFFIX)]
    return name


class Cut(object):
    """Where the link breaks once (see --cut)."""

    def __init__(self, point):
        parts = point.split(":")
        if parts[0] not in CUT_COMMANDS or len(parts) != (3 if parts[0] == "STOR" else 2):
            raise ValueError(point)
        self.command, self.name = parts[0], parts[1]
        self.after = None
        if self.command == "STOR":
            self.after = parts[2] if parts[2] == "all" else int(parts[2])
        self.done = False

    def matches(self, command, path):
        return (not self.done and command == self.command
                and self.name in os.path.basename(path))


CUTS = []


def cut_for(command, path):
    """The cut that breaks the link for this command now, marked done."""
    for cut in CUTS:
        if cut.matches(command, path):
            cut.done = True
            return cut
    return None


def act_of(path):
    name = acted_name(path)
    if name in NAMED_ACTS:
        return NAMED_ACTS[name]
    for act in ACTS:
        if name.startswith(act + "-"):
            return act
    return None


class RepeatingProducer(object):
    """A first chunk of FIRST_BYTES, then more up to FLOOD_BYTES in all."""

    def __init__(self):
        self.sent = 0

    def more(self):
        size = FIRST_BYTES if self.sent == 0 else min(65536, FLOOD_BYTES - self.sent)
        self.sent += size
        return b"e" * size


class TrickleProducer(object):
    """The file's bytes one at a time; ActingDTP waits between them."""

    def __init__(self, path):
        with open(path, "rb") as source:
            self.data = source.read()
        self.sent = 0

    def more(self):
        chunk = self.data[self.sent:self.sent + 1]
        self.sent += len(chunk)
        return chunk


class ActingDTP(DTPHandler):
    def send(self, data):
        sent = super().send(data)
        act = getattr(self.cmd_channel, "act", None)
        if act in ("stall", "drop") and self.tot_bytes_sent >= FIRST_BYTES:
            # Quiet from now on; the socket itself stays open.
            self.del_channel()
            if act == "drop":
                self.ioloop.call_later(0.2, self.drop)
        elif act == "trickle":
            self.del_channel()
            self.ioloop.call_later(TRICKLE_INTERVAL, self.resume)
        return sent

    def handle_read_event(self):
        cut_at = getattr(self.cmd_channel, "cut_at", None)
        if isinstance(cut_at, int):
            # Reads no further than the cut, so that exactly that much is
            # stored, however large the client's blocks.
            self.ac_in_buffer_size = max(1, min(65536, cut_at - self.tot_bytes_received))
        super().handle_read()
        if isinstance(cut_at, int) and self.tot_bytes_received >= cut_at:
            self.cmd_channel.cut_at = None
            self.del_channel()  # reads nothing more until the cut
            self.cmd_channel.cut()
            return
        act = getattr(self.cmd_channel, "act", None)
        if act == "stall" and self.tot_bytes_received >= FIRST_BYTES:
            # Reads no more; the client's data piles up in the socket.
            self.del_channel()

    def resume(self):
        if not self._closed:
            self.add_channel(events=self.ioloop.WRITE)

    def drop(self):
        control = self.cmd_channel
        self.socket.close()
        if control is not None and control.socket is not None:
            control.socket.close()


class ActingHandler(FTPHandler):
    act = None
    cut_at = None
    die = False
    refuse_rename = False
    no_size = False
    short_store = None
    no_room = None
    refuse_chmod = False
    mute_quit = False
    log_file = None
    log_root = None
    hold_dir = None

    def note_transfer(self, verb, file):
        if ActingHandler.log_file:
            relative = "/" + os.path.relpath(file, ActingHandler.log_root)
            with open(ActingHandler.log_file, "a", encoding="utf-8") as log:
                log.write("%s %s\n" % (verb, relative))

    def cut(self):
        """Breaks the link, or ends the server (see --cut, --die)."""
        if ActingHandler.die:
            os._exit(0)
        # Once the call that asked for it is over: the data channel may be
        # in the middle of closing.
        self.ioloop.call_later(0, self.close)

    def cut_now(self, command, path):
        if cut_for(command, path) is None:
            return False
        self.cut()
        return True

    def ftp_RNFR(self, path):
        if self.cut_now("RNFR", path):
            return
        return super().ftp_RNFR(path)

    def ftp_RNTO(self, path):
        if self.cut_now("RNTO", path):
            return
        if ActingHandler.refuse_rename:
            self._rnfr = None
            self.respond("553 Renaming is not allowed here.")
            return
        self.note_transfer("RNTO", path)
        return super().ftp_RNTO(path)

    def ftp_DELE(self, path):
        if self.cut_now("DELE", path):
            return
        return super().ftp_DELE(path)

    def on_file_received(self, file):
        if ActingHandler.short_store and ActingHandler.short_store in os.path.basename(file):
            with open(file, "r+b") as stored:
                stored.truncate(os.path.getsize(file) // 2)

    def ftp_SITE_CHMOD(self, path, mode):
        if ActingHandler.refuse_chmod:
            self.respond("550 Modes are not supported here.")
            return
        return super().ftp_SITE_CHMOD(path, mode)

    def respond(self, resp, logfun=None):
        if self.act == "hang" and resp.startswith("226"):
            return
        if self.cut_at == "all" and resp.startswith("226"):
            self.cut_at = None
            self.cut()
            return
        if logfun is None:
            return super().respond(resp)
        return super().respond(resp, logfun)

    def ftp_QUIT(self, line):
        if ActingHandler.mute_quit:
            return
        return super().ftp_QUIT(line)

    def ftp_STOR(self, file, mode="w"):
        self.note_transfer("STOR", file)
        self.act = act_of(file)
        cut = cut_for("STOR", file)
        self.cut_at = cut.after if cut else None
        if self.cut_at == 0:
            self.cut()
            return
        if NAMED_ACTS.get(acted_name(file)) == "drop":
            self.close()
            return
        if ActingHandler.no_room and acted_name(file) != os.path.basename(file):
            self.respond(NO_ROOM_REPLIES[ActingHandler.no_room])
            return
        if act_of(file) == "slow-reply":
            return self.slow_reply(file, lambda: FTPHandler.ftp_STOR(self, file, mode))
        if ActingHandler.hold_dir:
            return self.held(file, lambda: FTPHandler.ftp_STOR(self, file, mode))
        return super().ftp_STOR(file, mode)

    def held(self, file, go):
        """Runs go() once the test let the transfer go (see --hold-dir)."""
        relative = "/" + os.path.relpath(file, ActingHandler.log_root)
        marker, deadline = hold_marker(ActingHandler.hold_dir, relative)

        def poll():
            if getattr(self, "_closed", False):
                return
            if still_held(marker, deadline):
                self.ioloop.call_later(HOLD_POLL, poll)
                return
            go()

        self.ioloop.call_later(HOLD_POLL, poll)
        return file

    def slow_reply(self, file, go):
        """Runs go() once SLOW_REPLY_LINES continuation lines went out,
        one every TRICKLE_INTERVAL seconds (see slow-reply above)."""

        def line(left):
            if getattr(self, "_closed", False):
                return
            if left == 0:
                go()
                return
            self.push("150-Still looking for the file.\r\n")
            self.ioloop.call_later(TRICKLE_INTERVAL, line, left - 1)

        line(SLOW_REPLY_LINES)
        return file

    def ftp_RETR(self, file):
        self.note_transfer("RETR", file)
        self.act = act_of(file)
        if self.act is None and ActingHandler.hold_dir and os.path.isfile(file):
            return self.held(file, lambda: FTPHandler.ftp_RETR(self, file))
        if self.act in (None, "hang") or not os.path.isfile(file):
            return super().ftp_RETR(file)
        if self.act == "slow-reply":
            return self.slow_reply(file, lambda: FTPHandler.ftp_RETR(self, file))
        if self.act == "trickle":
            producer = TrickleProducer(file)
        else:
            producer = RepeatingProducer()
        self.push_dtp_data(producer, isproducer=True, cmd="RETR")
        return file

    def ftp_SIZE(self, path):
        if self.cut_now("SIZE", path):
            return
        if ActingHandler.no_size:
            self.respond("502 SIZE not implemented.")
            return
        if act_of(path) == "flood":
            self.respond("502 SIZE not available for this file.")
            return
        return super().ftp_SIZE(path)


def serve_silently(port):
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", port))
    listener.listen(8)
    print("PORT %d" % listener.getsockname()[1], flush=True)
    held = []
    while True:
        connection, _ = listener.accept()
        held.append(connection)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--silent", action="store_true")
    parser.add_argument("--refuse-chmod", action="store_true")
    parser.add_argument("--mute-quit", action="store_true")
    parser.add_argument("--log")
    parser.add_argument("--act", action="append", default=[])
    parser.add_argument("--hold-dir")
    parser.add_argument("--cut", action="append", default=[])
    parser.add_argument("--die", action="store_true")
    parser.add_argument("--refuse-rename", action="store_true")
    parser.add_argument("--no-size", action="store_true")
    parser.add_argument("--short-store")
    parser.add_argument("--no-room", choices=sorted(NO_ROOM_REPLIES))
    args = parser.parse_args()
    for point in args.cut:
        try:
            CUTS.append(Cut(point))
        except ValueError:
            parser.error("unknown cut: %s" % point)
    for named in args.act:
        name, _, act = named.partition("=")
        if act not in ACTS:
            parser.error("unknown act: %s" % act)
        NAMED_ACTS[name] = act

    if args.silent:
        return serve_silently(args.port)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    handler = ActingHandler
    handler.refuse_chmod = args.refuse_chmod
    handler.mute_quit = args.mute_quit
    handler.log_file = args.log
    handler.log_root = os.path.realpath(args.root)
    handler.hold_dir = args.hold_dir
    handler.die = args.die
    handler.refuse_rename = args.refuse_rename
    handler.no_size = args.no_size
    handler.short_store = args.short_store
    handler.no_room = args.no_room
    handler.authorizer = authorizer
    handler.passive_ports = None
    handler.banner = "test receiver ready"
    handler.dtp_handler = ActingDTP

    server = FTPServer(("127.0.0.1", args.port), handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    import logging
    logging.disable(logging.CRITICAL)
    sys.exit(main())
