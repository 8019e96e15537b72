#!/usr/bin/env python3
"""Ctrl-C (and a TERM signal) at galvane-publish's password prompt: the program ends and the
terminal has its echo back.

    password_prompt_test.py GALVANE_PUBLISH
"""
import fcntl
import os
import select
import signal
import subprocess
import sys
import tempfile
import termios
import time


def read_until(fd, text, seconds=20):
    seen = b""
    deadline = time.time() + seconds
    while text not in seen and time.time() < deadline:
        ready, _, _ = select.select([fd], [], [], 0.2)
        if ready:
            try:
                seen += os.read(fd, 1024)
            except OSError:
                break
    return text in seen


def prompt_and_interrupt(publish, folder, how):
    master, slave = os.openpty()
    attributes = termios.tcgetattr(slave)
    attributes[3] |= termios.ECHO | termios.ISIG
    termios.tcsetattr(slave, termios.TCSANOW, attributes)

    def take_terminal():
        os.setsid()
        fcntl.ioctl(0, termios.TIOCSCTTY, 0)

    env = {k: v for k, v in os.environ.items() if k != "GALVANE_FTP_PASSWORD"}
    child = subprocess.Popen([publish, "--upload-only", folder, "--ftp-server", "127.0.0.1:9",
                              "--ftp-login", "me"], stdin=slave, stdout=slave, stderr=slave, env=env,
                             preexec_fn=take_terminal)
    try:
        if not read_until(master, b"FTP password: "):
            return f"{how}: no prompt"
        # The prompt has turned echo off; wait until it has.
        deadline = time.time() + 5
        while termios.tcgetattr(slave)[3] & termios.ECHO and time.time() < deadline:
            time.sleep(0.02)
        if termios.tcgetattr(slave)[3] & termios.ECHO:
            return f"{how}: the prompt left echo on"
        if how == "ctrl-c":
            os.write(master, b"\x03")
        else:
            child.send_signal(signal.SIGTERM)
        child.wait(timeout=20)
        if not termios.tcgetattr(slave)[3] & termios.ECHO:
            return f"{how}: the terminal was left without echo"
        return None
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()
        os.close(master)
        os.close(slave)


def main():
    publish = sys.argv[1]
    with tempfile.TemporaryDirectory(prefix="galvane-prompt-") as folder:
        failures = [f for f in (prompt_and_interrupt(publish, folder, how) for how in ("ctrl-c", "term")) if f]
    for failure in failures:
        print("FAIL", failure)
    print(f"{2 - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
