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
--log FILE writes every command received (the password masked), one per line, as it arrives.
--tls-certificate FILE (certificate and key, PEM) makes it an FTPS server that requires TLS for the
login and for every data connection.
--refuse-active answers PORT and EPRT with 500, as servers do that allow passive mode only.
"""

import argparse
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer


def parse_arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("--home", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--log")
    parser.add_argument("--refuse", action="append", default=[])
    parser.add_argument("--drop-on", action="append", default=[])
    parser.add_argument("--stall-on", action="append", default=[])
    parser.add_argument("--stall-data-on", action="append", default=[])
    parser.add_argument("--tls-certificate")
    parser.add_argument("--refuse-active", action="store_true")
    return parser.parse_args()


def make_handler(options, log_file):
    base = TLS_FTPHandler if options.tls_certificate else FTPHandler

    class TestFtpHandler(base):
        stalled = False

        def pre_process_command(self, line, cmd, arg):
            if log_file is not None:
                log_file.write(("PASS ******" if cmd == "PASS" else line) + "\n")
                log_file.flush()
            if self.stalled:
                return
            if options.refuse_active and cmd in ("PORT", "EPRT"):
                self.respond("500 Active mode is not allowed here.")
                return
            name = os.path.basename(arg) if cmd == "STOR" else None
            if name in options.refuse:
                self.respond("553 Refused by the test server.")
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

    return TestFtpHandler


def main():
    options = parse_arguments()
    logging.basicConfig(level=logging.CRITICAL)
    log_file = open(options.log, "a", encoding="utf-8") if options.log else None

    authorizer = DummyAuthorizer()
    authorizer.add_user(options.user, os.environ.get("FTP_FIXTURE_PASSWORD", ""), options.home,
                        perm="elradfmwMT")
    handler = make_handler(options, log_file)
    handler.authorizer = authorizer
    handler.banner = "Galvane test server ready."
    if options.tls_certificate:
        handler.certfile = options.tls_certificate
        handler.tls_control_required = True
        handler.tls_data_required = True

    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    sys.exit(main())
