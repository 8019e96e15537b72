#!/usr/bin/python3
"""A local SFTP server for the upload tests.

Listens on 127.0.0.1 at a free port, prints that port on its first line of output, and serves one
user, by password only (from the environment variable FTP_FIXTURE_PASSWORD), an SFTP view rooted at
--home. --host-key FILE is the server's key; it is made (ECDSA P-256) when the file does not exist,
so a test can keep a key, or make a new one to play a server whose key has changed. --log FILE
writes a line for every request as it arrives: "OPEN NAME", "CLOSE", "STAT NAME",
"FSTAT", "LISTDIR NAME", "REMOVE NAME" (writes and reads are not written down).
--close-delay-ms N answers each CLOSE N ms late, as a server far away would; --listdir-delay-ms N
does the same for each folder opened for reading. --session-log FILE writes the same lines, each
after the number of the SFTP session that made the request (1 for the first login, and so on).
"""

import argparse
import asyncio
import itertools
import logging
import os
import sys
import warnings

warnings.simplefilter("ignore")
import asyncssh  # noqa: E402


def parse_arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("--home", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--host-key", required=True)
    parser.add_argument("--log")
    parser.add_argument("--close-delay-ms", type=float, default=0.0)
    parser.add_argument("--listdir-delay-ms", type=float, default=0.0)
    parser.add_argument("--session-log")
    return parser.parse_args()


def make_sftp_class(log_file, session_log, close_delay, listdir_delay):
    sessions = itertools.count(1)

    def write(kind, path=None, session=None):
        line = kind + ("" if path is None else " " + os.fsdecode(os.path.basename(path.rstrip(b"/"))))
        if log_file is not None:
            log_file.write(line + "\n")
            log_file.flush()
        if session_log is not None:
            session_log.write(f"{session} {line}\n")
            session_log.flush()

    class LoggingSFTPServer(asyncssh.SFTPServer):
        def __init__(self, channel, **kwargs):
            super().__init__(channel, **kwargs)
            self._session = next(sessions)

        def note(self, kind, path=None):
            write(kind, path, self._session)

        def open(self, path, pflags, attrs):
            self.note("OPEN", path)
            return super().open(path, pflags, attrs)

        async def close(self, file_obj):
            self.note("CLOSE")
            if close_delay > 0:
                await asyncio.sleep(close_delay)
            return super().close(file_obj)

        def stat(self, path):
            self.note("STAT", path)
            return super().stat(path)

        def fstat(self, file_obj):
            self.note("FSTAT")
            return super().fstat(file_obj)

        async def listdir(self, path):
            self.note("LISTDIR", path)
            if listdir_delay > 0:
                await asyncio.sleep(listdir_delay)
            return super().listdir(path)

        def remove(self, path):
            self.note("REMOVE", path)
            return super().remove(path)

    return LoggingSFTPServer


def make_server_class(user, password):
    class PasswordServer(asyncssh.SSHServer):
        def begin_auth(self, username):
            return True

        def password_auth_supported(self):
            return True

        def validate_password(self, username, attempt):
            return username == user and attempt == password

    return PasswordServer


async def serve(options):
    if not os.path.exists(options.host_key):
        asyncssh.generate_private_key("ecdsa-sha2-nistp256").write_private_key(options.host_key)
    home = os.fsencode(os.path.realpath(options.home))
    log_file = open(options.log, "a", encoding="utf-8") if options.log else None
    session_log = open(options.session_log, "a", encoding="utf-8") if options.session_log else None
    sftp_class = make_sftp_class(log_file, session_log, options.close_delay_ms / 1000.0,
                                 options.listdir_delay_ms / 1000.0)
    server = await asyncssh.listen(
        "127.0.0.1", 0,
        server_host_keys=[options.host_key],
        server_factory=make_server_class(options.user, os.environ.get("FTP_FIXTURE_PASSWORD", "")),
        sftp_factory=lambda channel: sftp_class(channel, chroot=home),
        allow_scp=False)
    print(server.sockets[0].getsockname()[1], flush=True)
    await asyncio.Event().wait()


def main():
    logging.basicConfig(level=logging.CRITICAL)
    options = parse_arguments()
    try:
        asyncio.run(serve(options))
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
