#!/usr/bin/python3
"""A local FTP server for the upload tests and the upload benchmark.

Listens on 127.0.0.1 at a free port, prints that port on its first line of output, and serves one
user whose password comes from the environment variable FTP_FIXTURE_PASSWORD (never from the
command line). Active mode (PORT and EPRT) works as on any pyftpdlib server.

Misbehaviour on demand, each keyed by the bare name given to STOR:
  --refuse NAME      answer 553 and store nothing
  --drop-on NAME     close the control connection at once
  --stall-on NAME    never answer again on that connection
  --stall-data-on NAME  accept the transfer, then stop reading its data
--log FILE writes every command received (the password masked), one per line, as it arrives;
--connection-log FILE the same, each line after the client's port and a space.
--tls-certificate FILE (certificate and key, PEM) makes it an FTPS server that requires TLS for the
login and for every data connection.
--refuse-active answers PORT and EPRT with 500, as servers do that allow passive mode only.

Servers of other kinds:
  --no-mfmt          MFMT is an unknown command (the file keeps the server's time)
  --list-only        no MLSD nor MLST: listings only by LIST, times to the minute
  --clock-offset S   the server's clock is S seconds ahead: each file stored gets that time
  --listing-offset S every time a listing shows is S seconds off the file's real time
  --disk-full-on NAME     answer STOR NAME with 552
  --drop-after NAME=N     close the connection after N bytes of NAME arrived, on every try
  --drop-once-after NAME=N   the same on the first try only
  --data-limit B     each data connection takes at most B bytes a second (not with the drops)
  --no-pipelining    a command that arrives together with the next ones is answered, and the
                     ones after it lost, as on servers that read one command at a time
"""

import argparse
import logging
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import ActiveDTP, DTPHandler, FTPHandler, ThrottledDTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer


def parse_arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("--home", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--log")
    parser.add_argument("--connection-log")
    parser.add_argument("--refuse", action="append", default=[])
    parser.add_argument("--drop-on", action="append", default=[])
    parser.add_argument("--stall-on", action="append", default=[])
    parser.add_argument("--stall-data-on", action="append", default=[])
    parser.add_argument("--tls-certificate")
    parser.add_argument("--refuse-active", action="store_true")
    parser.add_argument("--no-mfmt", action="store_true")
    parser.add_argument("--list-only", action="store_true")
    parser.add_argument("--clock-offset", type=int, default=0)
    parser.add_argument("--listing-offset", type=int, default=0)
    parser.add_argument("--disk-full-on", action="append", default=[])
    parser.add_argument("--drop-after", action="append", default=[])
    parser.add_argument("--drop-once-after", action="append", default=[])
    parser.add_argument("--data-limit", type=int, default=0)
    parser.add_argument("--no-pipelining", action="store_true")
    return parser.parse_args()


def byte_limits(pairs):
    """{"NAME": N} from "NAME=N" texts."""
    limits = {}
    for pair in pairs:
        name, _, count = pair.rpartition("=")
        limits[name] = int(count)
    return limits


def make_filesystem(options):
    class ShiftedTimesFS(AbstractedFS):
        """Listings show every time shifted by --listing-offset."""

        def shifted(self, st):
            fields = list(st)
            fields[8] = int(st.st_mtime) + options.listing_offset
            return os.stat_result(fields[:10])

        def stat(self, path):
            return self.shifted(super().stat(path))

        def lstat(self, path):
            return self.shifted(super().lstat(path))

    return ShiftedTimesFS if options.listing_offset else AbstractedFS


def make_data_handler(options):
    every = byte_limits(options.drop_after)
    once = byte_limits(options.drop_once_after)
    dropped = set()

    class DroppingDTPHandler(DTPHandler):
        """Closes data and control connection once enough bytes of a named file arrived."""

        def handle_read(self):
            super().handle_read()
            if self.file_obj is None or self.cmd_channel is None:
                return
            name = os.path.basename(self.file_obj.name)
            limit = every.get(name, once.get(name) if name not in dropped else None)
            if limit is not None and self.tot_bytes_received >= limit:
                dropped.add(name)
                self.file_obj.flush()
                control = self.cmd_channel
                self.close()
                control.close()

        handle_read_event = handle_read  # the base class calls its own under this name

    return DroppingDTPHandler


class HandingOverActiveDTP(ActiveDTP):
    """pyftpdlib's connector for active mode hands its socket to the data handler, yet keeps the
    descriptor's number and closes it on the next PORT or EPRT. By then the data connection may be
    closed and its number given to another login's control connection, which would then never be
    read again: with several logins at once, one of them goes deaf. Once handed over, the socket
    is none of the connector's business."""

    def handle_connect(self):
        super().handle_connect()
        if self.cmd_channel.data_channel is not None and self.cmd_channel.data_channel.socket is self.socket:
            self._fileno = None
            self.socket = None


def make_handler(options, log_file, connection_log):
    base = TLS_FTPHandler if options.tls_certificate else FTPHandler

    class TestFtpHandler(base):
        stalled = False

        def pre_process_command(self, line, cmd, arg):
            if log_file is not None:
                log_file.write(("PASS ******" if cmd == "PASS" else line) + "\n")
                log_file.flush()
            if connection_log is not None:
                connection_log.write("%d %s\n" % (self.remote_port, "PASS ******" if cmd == "PASS" else line))
                connection_log.flush()
            if self.stalled:
                return
            if options.refuse_active and cmd in ("PORT", "EPRT"):
                self.respond("500 Active mode is not allowed here.")
                return
            if (options.no_mfmt and cmd == "MFMT") or (options.list_only and cmd in ("MLSD", "MLST")):
                self.respond('500 Command "%s" not understood.' % cmd)
                return
            name = os.path.basename(arg) if cmd == "STOR" else None
            if name in options.refuse:
                self.respond("553 Refused by the test server.")
                return
            if name in options.disk_full_on:
                self.respond("552 Exceeded storage allocation.")
                return
            if name in options.drop_on:
                self.close()
                return
            if name in options.stall_on:
                self.stalled = True
                return
            super().pre_process_command(line, cmd, arg)
            if name in options.stall_data_on and self.data_channel is not None:
                # Taking the data socket out of the loop leaves its bytes unread: the sender stalls.
                self.ioloop.unregister(self.data_channel._fileno)
                self.stalled = True

        def recv(self, buffer_size):
            data = super().recv(buffer_size)
            if options.no_pipelining and b"\n" in data:
                data = data[: data.index(b"\n") + 1]
            return data

        def on_file_received(self, file):
            if options.clock_offset:
                now = time.time() + options.clock_offset
                os.utime(file, (now, now))

    return TestFtpHandler


def main():
    options = parse_arguments()
    logging.basicConfig(level=logging.CRITICAL)
    log_file = open(options.log, "a", encoding="utf-8") if options.log else None
    connection_log = open(options.connection_log, "a", encoding="utf-8") if options.connection_log else None

    authorizer = DummyAuthorizer()
    authorizer.add_user(options.user, os.environ.get("FTP_FIXTURE_PASSWORD", ""), options.home,
                        perm="elradfmwMT")
    handler = make_handler(options, log_file, connection_log)
    handler.authorizer = authorizer
    handler.banner = "Galvane test server ready."
    handler.abstracted_fs = make_filesystem(options)
    handler.active_dtp = HandingOverActiveDTP
    if (options.drop_after or options.drop_once_after) and not options.tls_certificate:
        handler.dtp_handler = make_data_handler(options)
    elif options.data_limit and not options.tls_certificate:
        class SlowDTPHandler(ThrottledDTPHandler):
            read_limit = options.data_limit

        handler.dtp_handler = SlowDTPHandler
    if options.tls_certificate:
        handler.certfile = options.tls_certificate
        handler.tls_control_required = True
        handler.tls_data_required = True

    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    sys.exit(main())
