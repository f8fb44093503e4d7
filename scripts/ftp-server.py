#!/usr/bin/python3
"""A local FTP server for the demo, the tests and the benchmarks, with scripted faults.

Run with Debian's /usr/bin/python3 (it has python3-pyftpdlib). It listens on 127.0.0.1, prints
"PORT <number>" on standard output once it accepts connections, and serves until it is killed.

  ftp-server.py --root DIR [--port N] [--user U --password P] [--tls CERT KEY]
                [--command-log FILE] [--fault MODE] [--read-limit BYTES_PER_SECOND]

Fault modes, for testing what a client does when things go wrong:
  silent       accept connections and never say anything
  drop-stor    drop the data and control connections part-way through an upload
  stor-4xx     answer STOR with 451
  stor-5xx     answer STOR with 552
  truncate     store nothing, yet answer 226 (the client must notice through SIZE)
  no-size      answer SIZE with 502 (a server without the command)
  stall        stop reading an upload part-way, keeping the connections open
  stor-multiline-451
               answer STOR with a reply of several lines whose continuation lines look like
               150 and 226, then, once the data is in, with 451 (the file is not stored)
  vanish       store the file, then lose it before the client asks for its SIZE (550)
  slow         read uploads at 2 MiB a second and keep nothing: a large file keeps an upload
               running for minutes while data still moves, so no timeout of the client ends it
  no-overwrite-rename
               answer RNTO onto an existing file with 550 (as some Windows servers do); DELE works
  no-overwrite-no-delete
               as no-overwrite-rename, and answer DELE with 550 too
  no-rename    answer RNFR with 502 and RNTO with 550 (a server that cannot rename)
  rename-policy
               answer every RNTO with 553 Rename refused by policy (RNFR works)
  part-rename-policy
               answer RNTO with 553 when the file renamed is a temporary ".part" file; other
               renames work
  read-only    answer STOR with 550 Permission denied, as for a folder the login may not write
               (permission bits cannot show it when the tests run as root)
  soak         every fifth connection fails, in turn: refused login, drop-stor, stor-5xx, stall
  bad-login-percent
               refuse every login with a reply that holds "%3" and "%2", as a client that fills
               the reply into a sentence of its own must show as it came
  garbage-list offer no MLSD, and answer LIST with lines in no listing form (NLST still works)
  garbage-list-no-nlst
               as garbage-list, and answer NLST with 502
  garbage-everything
               as garbage-list, and answer NLST with the same garbage
  no-mlsd      offer no MLSD: folders are listed with LIST
  endless-line offer no MLSD, and answer LIST with 256 MiB without a line end
  list-drop    offer no MLSD, and answer LIST with the start of the listing, then drop both
               connections without a final reply
  list-stall   offer no MLSD, and answer LIST with 150 and then nothing, keeping the connections open
  retr-stall   answer RETR with 150 and then nothing, keeping the connections open
  retr-unlisted
               answer RETR with 451 on a connection that has listed no folder yet, as a server
               that answers one client's other connections otherwise
  retr-stall-unlisted
               answer RETR with 150 and then nothing on a connection that has listed no folder yet
  size-unlisted
               answer SIZE with 550 on a connection that has listed no folder yet
  no-quit      answer QUIT with nothing, keeping the connection open
"""

import argparse
import itertools
import os
import socket
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer

DROP_AFTER = 64 * 1024
SLOW_READ_LIMIT = 2 * 1024 * 1024
SOAK_FAULTS = ["bad-login", "drop-stor", "stor-5xx", "stall"]
GARBAGE = b"<html><body>\r\nthis is no listing\r\n\x00\x01 garbage 12 Dec\r\n"
NO_MLSD_FAULTS = ("garbage-list", "garbage-list-no-nlst", "garbage-everything", "no-mlsd", "endless-line", "list-drop",
                  "list-stall")
ENDLESS_BYTES = 256 * 1024 * 1024


class Producer:
    """Hands a listing to pyftpdlib piece by piece: what pieces() yields, then what last() does."""

    def __init__(self, pieces, last=None):
        self.pieces = iter(pieces)
        self.last = last

    def more(self):
        piece = next(self.pieces, None)
        if piece is not None:
            return piece
        if self.last:
            return self.last()
        return b""


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--user", default="station")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    parser.add_argument("--command-log")
    parser.add_argument("--fault", default="")
    parser.add_argument("--read-limit", type=int, default=0,
                        help="read uploads at most this fast (plain FTP only), so a test can act mid-transfer")
    return parser.parse_args()


def serve_silently(port):
    listener = socket.create_server(("127.0.0.1", port))
    print("PORT", listener.getsockname()[1], flush=True)
    held = []
    while True:
        connection, _ = listener.accept()
        held.append(connection)  # keep it open, say nothing


def end_with_parent():
    """A server left behind by a test that crashed would hold its port and folder: on Linux,
    ask the kernel to end this process when the one that started it ends."""
    try:
        import ctypes
        import signal
        libc = ctypes.CDLL("libc.so.6", use_errno=True)
        PR_SET_PDEATHSIG = 1
        libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM)
    except (OSError, AttributeError):
        pass


def main():
    args = parse_args()
    end_with_parent()
    if args.fault == "silent":
        serve_silently(args.port)
        return

    if args.tls:
        from pyftpdlib.handlers import TLS_DTPHandler as BaseDTP
        from pyftpdlib.handlers import TLS_FTPHandler as BaseHandler
    elif args.read_limit or args.fault == "slow":
        from pyftpdlib.handlers import ThrottledDTPHandler as BaseDTP
        BaseDTP.read_limit = args.read_limit or SLOW_READ_LIMIT
        BaseHandler = FTPHandler
    else:
        BaseDTP, BaseHandler = DTPHandler, FTPHandler

    command_log = open(args.command_log, "a", buffering=1) if args.command_log else None
    connections = itertools.count(1)
    lock = threading.Lock()

    class FaultyDTP(BaseDTP):
        def __init__(self, sock, cmd_channel):
            super().__init__(sock, cmd_channel)
            self.received_bytes = 0

        def handle_read(self):
            super().handle_read()
            self.received_bytes = self.get_transmitted_bytes()
            if self.received_bytes < DROP_AFTER:
                return
            fault = self.cmd_channel.fault
            if fault == "drop-stor":
                control = self.cmd_channel
                self.close()
                control.close()
            elif fault == "stall":
                self.del_channel()  # stop reading; the connection stays open

        handle_read_event = handle_read

        def readable(self):
            # libcurl starts the data connection's TLS handshake as soon as it connects, before
            # STOR; pyftpdlib would take that early data for a dropped connection and close it.
            if getattr(self, "_ssl_requested", False) and not self.receive and not self._initialized:
                return True
            return super().readable()

    class Handler(BaseHandler):
        dtp_handler = FaultyDTP

        def on_connect(self):
            with lock:
                number = next(connections)
            self.fault = args.fault
            self.listed = False
            if args.fault == "soak":
                self.fault = SOAK_FAULTS[(number // 5) % len(SOAK_FAULTS)] if number % 5 == 0 else ""
            if self.fault in NO_MLSD_FAULTS:
                # Without MLST in FEAT, and MLSD answered "500 Command not understood".
                self.proto_cmds = {name: value for name, value in self.proto_cmds.items() if name not in ("MLST", "MLSD")}

        def listing_start(self, path):
            lines = self.run_as_current_user(self.fs.format_list, path, self.run_as_current_user(self.fs.listdir, path))
            return b"".join(itertools.islice(lines, 3))

        def ftp_LIST(self, path):
            if self.fault.startswith("garbage-list") or self.fault == "garbage-everything":
                self.push_dtp_data(GARBAGE, cmd="LIST")
                return path
            if self.fault == "endless-line":
                chunk = b"x" * (64 * 1024)
                self.push_dtp_data(Producer(itertools.repeat(chunk, ENDLESS_BYTES // len(chunk))), isproducer=True, cmd="LIST")
                return path
            if self.fault == "list-drop":
                self.push_dtp_data(Producer([self.listing_start(path)], lambda: self.close() or b""), isproducer=True,
                                   cmd="LIST")
                return path
            if self.fault == "list-stall":
                self.respond("150 File status okay. About to open data connection.")
                return path
            return super().ftp_LIST(path)

        def ftp_NLST(self, path):
            if self.fault == "garbage-list-no-nlst":
                self.respond("502 Command not implemented (scripted fault).")
                return
            if self.fault == "garbage-everything":
                self.push_dtp_data(GARBAGE, cmd="NLST")
                return path
            return super().ftp_NLST(path)

        def ftp_RETR(self, file):
            if self.fault == "retr-stall" or (self.fault == "retr-stall-unlisted" and not self.listed):
                self.respond("150 File status okay. About to open data connection.")
                return
            if self.fault == "retr-unlisted" and not self.listed:
                self.respond("451 Local error in processing (scripted fault).")
                return
            return super().ftp_RETR(file)

        def pre_process_command(self, line, cmd, arg):
            if command_log:
                command_log.write(line + "\n")
            if cmd in ("MLSD", "LIST", "NLST"):
                self.listed = True
            if cmd == "PASS" and self.fault == "bad-login":
                self.respond("530 Login refused (scripted fault).")
                return
            if cmd == "PASS" and self.fault == "bad-login-percent":
                self.respond("530 Quota %3 of %2 used (scripted fault).")
                return
            super().pre_process_command(line, cmd, arg)

        def ftp_STOR(self, file, mode="w"):
            if self.fault == "stor-4xx":
                self.respond("451 Local error in processing (scripted fault).")
                return
            if self.fault == "read-only":
                self.respond("550 Permission denied (scripted fault).")
                return
            if self.fault == "stor-5xx":
                self.respond("552 Storage allocation exceeded (scripted fault).")
                return
            if self.fault == "stor-multiline-451":
                self.push("150-Opening data connection.\r\n"
                          "226-Transfer complete (not really)\r\n")
                self._multiline_451 = True
            if self.fault == "slow":
                file = os.devnull  # minutes of data would only fill the disk
            return super().ftp_STOR(file, mode)

        def respond(self, resp, logfun=None):
            if getattr(self, "_multiline_451", False):
                if resp.startswith("125 ") or resp.startswith("150 "):
                    resp = "150 go"
                elif resp.startswith("226 "):
                    self._multiline_451 = False
                    resp = "451 local error, file not stored"
            return super().respond(resp, logfun) if logfun else super().respond(resp)

        def ftp_RNFR(self, path):
            if self.fault == "no-rename":
                self.respond("502 Command not implemented (scripted fault).")
                return
            return super().ftp_RNFR(path)

        def ftp_RNTO(self, path):
            if self.fault == "no-rename":
                self._rnfr = None
                self.respond("550 Rename not allowed (scripted fault).")
                return
            if self.fault == "rename-policy" or (self.fault == "part-rename-policy"
                                                 and (self._rnfr or "").endswith(".part")):
                self._rnfr = None
                self.respond("553 Rename refused by policy (scripted fault).")
                return
            if self.fault in ("no-overwrite-rename", "no-overwrite-no-delete") and os.path.exists(path):
                self._rnfr = None
                self.respond("550 File exists (scripted fault).")
                return
            return super().ftp_RNTO(path)

        def ftp_DELE(self, path):
            if self.fault == "no-overwrite-no-delete":
                self.respond("550 Permission denied (scripted fault).")
                return
            return super().ftp_DELE(path)

        def ftp_SIZE(self, path):
            if self.fault == "no-size":
                self.respond("502 Command not implemented.")
                return
            if self.fault == "size-unlisted" and not self.listed:
                self.respond("550 No such file (scripted fault).")
                return
            return super().ftp_SIZE(path)

        def ftp_QUIT(self, line):
            if self.fault == "no-quit":
                return
            return super().ftp_QUIT(line)

        def on_file_received(self, file):
            if self.fault == "truncate":
                with open(file, "r+b") as stored:
                    stored.truncate(0)
            elif self.fault in ("vanish", "stor-multiline-451"):
                os.remove(file)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, os.path.abspath(args.root), perm="elradfmwMT")
    Handler.authorizer = authorizer
    Handler.banner = "korva5 test server ready"
    Handler.timeout = None
    Handler.auth_failed_timeout = 0.1
    if args.tls:
        Handler.certfile = args.tls[0]
        Handler.keyfile = args.tls[1]
        Handler.tls_control_required = True
        Handler.tls_data_required = True

    import logging
    logging.basicConfig(level=logging.WARNING)
    server = FTPServer(("127.0.0.1", args.port), Handler)
    print("PORT", server.socket.getsockname()[1], flush=True)
    try:
        server.serve_forever()
    finally:
        server.close_all()


if __name__ == "__main__":
    sys.exit(main())
