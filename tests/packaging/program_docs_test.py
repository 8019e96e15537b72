#!/usr/bin/env python3
"""A program's --version and --help against its manual page:
    program_docs_test.py PROGRAM MANPAGE VERSION [--parsed]
--version prints "<name> VERSION" without a display; the options of --help are exactly those the
manual page describes (the tags of its .TP entries); the page renders without a warning; with
--parsed, the program also knows each of those options."""
import os
import re
import subprocess
import sys

program, manpage, version = sys.argv[1:4]
check_parsed = "--parsed" in sys.argv[4:]
name = os.path.basename(program)
failures = []

# No display at all: --version and --help must not need one.
env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}


def run(*args):
    return subprocess.run([program, *args], env=env, capture_output=True, text=True, timeout=60)


shown = run("--version")
if shown.returncode != 0 or shown.stdout != f"{name} {version}\n":
    failures.append(f"--version: status {shown.returncode}, printed {shown.stdout!r}{shown.stderr!r}")

helped = run("--help")
if helped.returncode != 0:
    failures.append(f"--help: status {helped.returncode}: {helped.stderr}")
help_options = set(re.findall(r"(?<![\w-])--[a-z][a-z-]*", helped.stdout))

# The tag line of each .TP entry names the option it describes; "\-" is roff's hyphen.
page = open(manpage, encoding="utf-8").read().splitlines()
man_options = set()
for i, line in enumerate(page[:-1]):
    if line == ".TP" and page[i + 1].startswith((".B", "\\fB")):
        tag = page[i + 1].replace("\\-", "-")
        man_options.update(re.findall(r"(?<![\w-])--[a-z][a-z-]*", tag))

if not help_options:
    failures.append("--help names no option")
for option in sorted(help_options - man_options):
    failures.append(f"{option} is in --help but not in the manual page")
for option in sorted(man_options - help_options):
    failures.append(f"{option} is in the manual page but not in --help")

if check_parsed:
    for option in sorted(man_options):
        said = run(option).stderr
        if "unknown option" in said:
            failures.append(f"{option} is documented but the program does not know it: {said.strip().splitlines()[0]}")

# What lintian runs on every manual page of a package.
rendered = subprocess.run(
    ["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", manpage],
    env={**env, "LC_ALL": "C.UTF-8", "MANROFFSEQ": "", "MANWIDTH": "80"},
    capture_output=True, text=True, timeout=60)
if rendered.returncode != 0 or rendered.stderr.strip():
    failures.append(f"man warns about {manpage}: {rendered.stderr.strip()}")

for failure in failures:
    print(f"{name}: {failure}")
print(f"{name}: {len(help_options)} options in --help, {len(man_options)} in the manual page")
sys.exit(1 if failures else 0)
