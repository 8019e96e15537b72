#!/usr/bin/python3
"""Upload benchmark over a simulated internet link, run by hand (not by CTest):

    bench/upload/run_link_bench.py [--build build] [--photos 300] [--corpus DIR]
                                   [--rtt-ms 40] [--up-mbit 20] [--down-mbit 100] [--queue-ms 50]
                                   [--publish-arg ARG ...] [--keep-gallery DIR] [--protocols FTP,FTPS,SFTP]
                                   [--without-webp]

A gallery of N photos (default 300: 2,432 files and 109 MB with the WebP copies, the Classic style with photos of
bench/conversion's corpus under N names, large pictures 1920x1440) is published, then uploaded
through link_proxy.py (one link of 40 ms round trip and 20 Mbit/s up, shared by every connection,
50 ms of buffer) to vsftpd (FTP and FTPS in passive mode, the passive ports advertised on
127.0.0.2, where the proxy listens) and to OpenSSH's sshd (SFTP). In
one run: galvane-publish --upload-only's first upload over FTP, FTPS and SFTP; the anchor
`lftp mirror -R --parallel=4` over FTP and FTPS; the floor (the gallery's bytes at the link's
speed); an unchanged re-upload (twice: the first one reads the exact times of the files listed in
the minute the first upload ended) and a re-upload after one photo changed, on each protocol. Every
arrival is compared byte for byte with the gallery. Prints a table and the ratios against the
targets: first upload at most 0.8x lftp over FTP and at most 2.5x the floor on each protocol,
unchanged re-upload under 2 s, and after one changed photo exactly the files whose bytes changed.
The table also counts the files the first upload left in its record's minute (the files the first
unchanged re-upload reads the attributes of). --protocols measures only the ones named (lftp for FTP
and FTPS among them); the default is all three.

sshd checks passwords only for real accounts, and galvane-publish logs in to SFTP with a password,
so the run adds a throwaway account (gvbench<pid>, home inside the run's folder) and deletes it on
exit. Runs as root. Traffic stays on 127.0.0.1 and 127.0.0.2; every server and the proxy are stopped
by their PID on exit. Needs vsftpd, python3-openssl, openssh-server, lftp and the corpus's
wallpapers (scripts/setup --bench).
"""
import argparse
import filecmp
import hashlib
import os
import re
import resource
import secrets
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PYTHON = "/usr/bin/python3"
PUBLISH_STYLE = ["--large", "1920x1440", "--quiet", "--no-bg-image"]
SUMMARY = re.compile(r"(\d+) (?:file\(s\) )?sent, (\d+) (?:skipped as )?unchanged")


class Run:
    """The run's servers, proxy and account, each undone on exit."""

    def __init__(self, work):
        self.work = work
        self.processes = []
        self.account = None

    def start(self, command, **kwargs):
        process = subprocess.Popen(command, **kwargs)
        self.processes.append(process)
        return process

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                os.kill(process.pid, signal.SIGTERM)
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    os.kill(process.pid, signal.SIGKILL)
                    process.wait()
        if self.account:
            subprocess.run(["userdel", self.account], stderr=subprocess.DEVNULL)
        shutil.rmtree(self.work, ignore_errors=True)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(host, port, process):
    for _ in range(100):
        if process.poll() is not None:
            raise SystemExit(f"{process.args[0]} stopped on start")
        try:
            socket.create_connection((host, port), 0.2).close()
            return
        except OSError:
            time.sleep(0.05)
    raise SystemExit(f"nothing listens on {host}:{port}")


def start_sink():
    """A listening socket on 127.0.0.1 that answers "ping" with "pong", swallows anything else and
    answers "done" at its end: the far end of the link's own measurement."""
    listener = socket.create_server(("127.0.0.1", 0))

    def serve(connection):
        with connection:
            while data := connection.recv(65536):
                if data == b"ping":
                    connection.sendall(b"pong")
            connection.sendall(b"done")

    def accept():
        while True:
            connection, _ = listener.accept()
            threading.Thread(target=serve, args=(connection,), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    return listener


def measure_link(port, connections=4, size=1_250_000):
    """The proxy's round trip (best of 5 pings) and its speed up with several connections at once."""
    with socket.create_connection(("127.0.0.2", port)) as s:
        trips = []
        for _ in range(5):
            start = time.monotonic()
            s.sendall(b"ping")
            s.recv(4)
            trips.append(time.monotonic() - start)

    def send():
        with socket.create_connection(("127.0.0.2", port)) as s:
            s.sendall(b"x" * size)
            s.shutdown(socket.SHUT_WR)
            s.recv(4)

    start = time.monotonic()
    senders = [threading.Thread(target=send) for _ in range(connections)]
    for sender in senders:
        sender.start()
    for sender in senders:
        sender.join()
    # The last byte's trip back and the answer cost about one round trip beside the bytes.
    seconds = time.monotonic() - start - min(trips)
    return min(trips), connections * size * 8 / seconds / 1e6


def make_gallery(options, work):
    """Publishes N photos into a gallery folder; returns its path."""
    corpus = options.corpus
    if not os.path.isdir(corpus) or len(os.listdir(corpus)) < 40:
        subprocess.run([PYTHON, os.path.join(ROOT, "bench/conversion/make_corpus.py"), corpus], check=True)
    photos = sorted(os.path.join(corpus, name) for name in os.listdir(corpus) if name.endswith(".jpg"))
    keep = options.keep_gallery or os.path.join(work, "kept")
    options.style = "Classic"
    if options.without_webp:
        # Classic as it was before its WebP copies: the files the upload targets were set for.
        sys.path.insert(0, os.path.join(ROOT, "bench/conversion"))
        from variants_run import plain_style
        options.style = plain_style(os.path.join(ROOT, "styles/###Classic"), work)
    source, published = os.path.join(keep, f"source{options.photos}"), os.path.join(keep, f"gallery{options.photos}")
    if not os.path.isdir(source):
        os.makedirs(source)
        for i in range(options.photos):
            os.symlink(photos[i % len(photos)], os.path.join(source, f"photo{i + 1:04d}.jpg"))
    publish(options, source, published)
    gallery = os.path.join(work, "gallery")
    shutil.copytree(published, gallery)
    return source, gallery


def publish(options, source, dest):
    result = subprocess.run([options.program, "--source", source, "--dest", dest, "--style", options.style] +
                            PUBLISH_STYLE,
                            capture_output=True, text=True)
    if result.returncode != 0:
        raise SystemExit(f"publishing failed:\n{result.stdout}{result.stderr}")


def contents(folder):
    """Name -> SHA-256 of each file in the folder (flat, as the gallery is)."""
    digest = {}
    for name in os.listdir(folder):
        path = os.path.join(folder, name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                digest[name] = hashlib.sha256(f.read()).hexdigest()
    return digest


def stamps(folder):
    """Name -> (change time, size) of each file: a file written again gets a new change time."""
    return {name: (os.stat(os.path.join(folder, name)).st_ctime_ns, os.stat(os.path.join(folder, name)).st_size)
            for name in os.listdir(folder)}


def in_records_minute(folder):
    """Files whose modification time falls in the minute of the upload record's own: those a listing
    to the minute cannot vouch for, whose attributes the next upload reads."""
    record = os.path.join(folder, ".galvane-upload-record")
    if not os.path.exists(record):
        return 0
    minute = int(os.stat(record).st_mtime) // 60
    return sum(1 for name in os.listdir(folder)
               if not galvanes_own(name) and int(os.stat(os.path.join(folder, name)).st_mtime) // 60 >= minute)


def galvanes_own(name):
    """Galvane's records and temporaries: never sent from the gallery, and the upload's record on the server."""
    return name.startswith(".galvane-") or ".vimbral-" in name


def arrived(gallery, remote):
    """Empty when the remote folder holds exactly the gallery's files, byte for byte; else what differs."""
    local = {name for name in os.listdir(gallery) if not galvanes_own(name)}
    there = {name for name in os.listdir(remote) if not galvanes_own(name)}
    missing = sorted(local - there)
    _, mismatch, errors = filecmp.cmpfiles(gallery, remote, sorted(local & there), shallow=False)
    faults = []
    if missing:
        faults.append(f"{len(missing)} missing (e.g. {missing[0]})")
    if mismatch or errors:
        faults.append(f"{len(mismatch) + len(errors)} differ (e.g. {(mismatch + errors)[0]})")
    return "; ".join(faults)


def timed(command, env=None, limit=1800):
    """(seconds, exit code, output) of a command; one that runs past `limit` seconds is stopped."""
    start = time.monotonic()
    try:
        result = subprocess.run(command, capture_output=True, text=True, env=env, timeout=limit)
    except subprocess.TimeoutExpired as stopped:
        output = (stopped.stdout or b"").decode(errors="replace")
        return time.monotonic() - start, -1, output + f"\nstopped after {limit} s"
    return time.monotonic() - start, result.returncode, result.stdout + result.stderr


class Servers:
    def __init__(self, run, options):
        self.run, self.options, self.work = run, options, run.work
        self.cert = os.path.join(self.work, "cert.pem")
        self.vsroot = os.path.join(self.work, "vsroot")

    def start_proxy(self, vsport, sshport, sinkport):
        out = os.path.join(self.work, "proxy.out")
        with open(out, "w") as f:
            proxy = self.run.start([PYTHON, os.path.join(ROOT, "bench/upload/link_proxy.py"),
                                    "--forward", f"127.0.0.2:0=127.0.0.1:{vsport}",
                                    "--forward", f"127.0.0.2:0=127.0.0.1:{sshport}",
                                    "--forward", f"127.0.0.2:0=127.0.0.1:{sinkport}",
                                    "--passive-ports", "100", "--rtt-ms", str(self.options.rtt_ms),
                                    "--up-mbit", str(self.options.up_mbit),
                                    "--down-mbit", str(self.options.down_mbit),
                                    "--queue-ms", str(self.options.queue_ms)],
                                   stdout=f, stderr=open(os.path.join(self.work, "proxy.err"), "w"))
        for _ in range(100):
            lines = open(out).read().splitlines()
            if len(lines) >= 2:
                break
            if proxy.poll() is not None:
                raise SystemExit("the link proxy stopped on start")
            time.sleep(0.05)
        else:
            raise SystemExit("the link proxy did not start")
        self.ftp_port, self.ssh_port, self.sink_port = map(int, lines[0].split()[1:])
        self.passive = tuple(map(int, lines[1].split()[1:]))

    def start_vsftpd(self, port):
        """vsftpd on 127.0.0.1:port, anonymous uploads, TLS offered, passive data via 127.0.0.2."""
        os.makedirs(os.path.join(self.work, "empty"))
        os.makedirs(self.vsroot)
        subprocess.run([PYTHON, os.path.join(ROOT, "tests/support/make_certificate.py"), self.cert,
                        "--name", "127.0.0.2"], check=True)
        conf = os.path.join(self.work, "vsftpd.conf")
        with open(conf, "w") as f:
            f.write(f"""listen=YES
listen_address=127.0.0.1
listen_port={port}
background=NO
run_as_launching_user=YES
seccomp_sandbox=NO
anonymous_enable=YES
local_enable=NO
no_anon_password=YES
anon_root={self.vsroot}
secure_chroot_dir={self.work}/empty
write_enable=YES
anon_upload_enable=YES
anon_other_write_enable=YES
anon_umask=022
vsftpd_log_file=/dev/null
port_enable=NO
pasv_enable=YES
pasv_address=127.0.0.2
pasv_min_port={self.passive[0]}
pasv_max_port={self.passive[1]}
ssl_enable=YES
allow_anon_ssl=YES
force_anon_logins_ssl=NO
force_anon_data_ssl=NO
rsa_cert_file={self.cert}
rsa_private_key_file={self.cert}
""")
        process = self.run.start(["/usr/sbin/vsftpd", conf], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for_port("127.0.0.1", port, process)

    def ftp_folder(self, name):
        folder = os.path.join(self.vsroot, name)
        os.makedirs(folder)
        os.chmod(folder, 0o777)
        return folder

    def add_account(self):
        self.account = f"gvbench{os.getpid()}"
        self.password = secrets.token_hex(12)
        self.home = os.path.join(self.work, "sshhome")
        subprocess.run(["useradd", "--no-create-home", "--home-dir", self.home, "--shell", "/bin/sh",
                        self.account], check=True)
        self.run.account = self.account
        subprocess.run(["chpasswd"], input=f"{self.account}:{self.password}\n", text=True, check=True)
        os.makedirs(self.home)
        shutil.chown(self.home, self.account, self.account)
        os.chmod(self.work, 0o755)

    def start_sshd(self, port):
        key = os.path.join(self.work, "ssh_host_ed25519_key")
        subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", key], check=True)
        conf = os.path.join(self.work, "sshd_config")
        with open(conf, "w") as f:
            f.write(f"""ListenAddress 127.0.0.1:{port}
HostKey {key}
PidFile none
UsePAM no
PasswordAuthentication yes
KbdInteractiveAuthentication no
PubkeyAuthentication no
PermitRootLogin no
AllowUsers {self.account}
AuthorizedKeysFile none
UseDNS no
LogLevel ERROR
Subsystem sftp internal-sftp
""")
        # sshd's privilege separation folder. Left in place on exit: another sshd (another run of this
        # bench, say) may be using it, and its new logins would fail without it.
        os.makedirs("/run/sshd", mode=0o755, exist_ok=True)
        process = self.run.start(["/usr/sbin/sshd", "-D", "-e", "-f", conf],
                                 stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.work, "sshd.log"), "w"))
        wait_for_port("127.0.0.1", port, process)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--photos", type=int, default=300)
    parser.add_argument("--corpus", default="/tmp/galvane-corpus")
    parser.add_argument("--rtt-ms", type=float, default=40.0)
    parser.add_argument("--up-mbit", type=float, default=20.0)
    parser.add_argument("--down-mbit", type=float, default=100.0)
    parser.add_argument("--queue-ms", type=float, default=50.0, help="the link's buffer, as time at its speed")
    parser.add_argument("--publish-arg", action="append", default=[],
                        help="one more option for each galvane-publish upload (repeat for several)")
    parser.add_argument("--without-webp", action="store_true",
                        help="publish with Classic's templates stripped of its WebP lists (about 930 files "
                             "instead of 2,432: the gallery the upload targets were first measured on)")
    parser.add_argument("--keep-gallery", help="publish into (and reuse) this folder, for repeated runs")
    parser.add_argument("--protocols", default="FTP,FTPS,SFTP",
                        help="comma-separated subset of FTP,FTPS,SFTP to measure (lftp runs for FTP and FTPS)")
    options = parser.parse_args()
    options.program = os.path.join(os.path.abspath(options.build), "bin/galvane-publish")
    options.protocols = [p.strip().upper() for p in options.protocols.split(",") if p.strip()]
    if not options.protocols or any(p not in ("FTP", "FTPS", "SFTP") for p in options.protocols):
        raise SystemExit("--protocols takes a comma-separated subset of FTP,FTPS,SFTP")
    if os.geteuid() != 0:
        raise SystemExit("run as root: sshd and its throwaway account need it")

    run = Run(tempfile.mkdtemp(prefix="galvane-link-bench-"))
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        measure(run, options)
    except KeyboardInterrupt:
        sys.exit(130)
    finally:
        run.close()


def measure(run, options):
    work = run.work
    source, gallery = make_gallery(options, work)
    files = contents(gallery)
    total = sum(os.path.getsize(os.path.join(gallery, name)) for name in files)
    floor = total * 8 / (options.up_mbit * 1e6)

    servers = Servers(run, options)
    vsport, sshport = free_port(), free_port()
    sink = start_sink()
    servers.start_proxy(vsport, sshport, sink.getsockname()[1])
    rtt, mbit = measure_link(servers.sink_port)
    servers.start_vsftpd(vsport)
    servers.add_account()
    servers.start_sshd(sshport)
    client_home = os.path.join(work, "client")
    os.makedirs(os.path.join(client_home, ".ssh"))

    env = dict(os.environ, HOME=client_home, GALVANE_FTP_PASSWORD="x")
    ftp = ["--ftp-server", f"127.0.0.2:{servers.ftp_port}", "--ftp-login", "anonymous", "--passive"]
    ftps = ["--ftp-server", f"ftps://127.0.0.2:{servers.ftp_port}", "--ftp-login", "anonymous", "--passive",
            "--ftp-ca-file", servers.cert]
    sftp_env = dict(env, GALVANE_FTP_PASSWORD=servers.password)
    sftp = ["--ftp-server", f"sftp://127.0.0.2:{servers.ssh_port}", "--ftp-login", servers.account,
            "--accept-new-host-key"]
    ours = {"FTP": (ftp, env, servers.ftp_folder("ours-ftp")),
            "FTPS": (ftps, env, servers.ftp_folder("ours-ftps")),
            "SFTP": (sftp, sftp_env, os.path.join(servers.home, "site"))}
    os.makedirs(ours["SFTP"][2])
    shutil.chown(ours["SFTP"][2], servers.account, servers.account)

    faults = []
    processor = {}  # of the latest upload over each protocol
    protocols = [p for p in ("FTP", "FTPS", "SFTP") if p in options.protocols]

    def upload(protocol):
        args, environment, remote = ours[protocol]
        subfolder = os.path.basename(remote)
        used = resource.getrusage(resource.RUSAGE_CHILDREN)
        seconds, code, output = timed([options.program, "--upload-only", gallery, *args, "--ftp-subfolder", subfolder]
                                      + options.publish_arg, environment)
        summary = SUMMARY.findall(output)
        sent = int(summary[-1][0]) if summary else None
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        processor[protocol] = after.ru_utime + after.ru_stime - used.ru_utime - used.ru_stime
        fault = arrived(gallery, remote)
        if code != 0 or fault or sent is None:
            last = output.strip().splitlines()[-3:]
            faults.append(f"galvane-publish {protocol}: exit {code}; {fault or 'arrived complete'}; "
                          + " | ".join(last))
        return seconds, sent

    def lftp(protocol):
        remote = servers.ftp_folder(f"lftp-{protocol.lower()}")
        tls = ("set ftp:ssl-force true; set ftp:ssl-protect-data true; set ssl:ca-file " + servers.cert
               if protocol == "FTPS" else "set ftp:ssl-allow false")
        seconds, code, output = timed(["lftp", "--norc", "-u", "anonymous,x", "-p", str(servers.ftp_port), "127.0.0.2",
                                       "-e", f"{tls}; set ftp:passive-mode true; set net:max-retries 3; "
                                       f"mirror -R --parallel=4 {gallery} {os.path.basename(remote)}; quit"])
        fault = arrived(gallery, remote)
        if code != 0 or fault:
            faults.append(f"lftp {protocol}: exit {code}; {fault or 'arrived complete'}; {output.strip()[-300:]}")
        return seconds

    print(f"gallery: {options.photos} photos, {len(files)} files, {total / 1e6:.1f} MB; link "
          f"{options.rtt_ms:g} ms round trip, {options.up_mbit:g} Mbit/s up, {options.down_mbit:g} Mbit/s down, "
          f"{options.queue_ms:g} ms queue (measured: {rtt * 1000:.1f} ms, {mbit:.1f} Mbit/s up over 4 connections)",
          flush=True)
    first = {}
    doubt = {}
    first_processor = {}
    for protocol in protocols:
        first[protocol], _ = upload(protocol)
        doubt[protocol] = in_records_minute(ours[protocol][2])
        first_processor[protocol] = processor[protocol]
        print(f"  first upload {protocol}: {first[protocol]:.1f} s", flush=True)
    anchor = {}
    for protocol in [p for p in protocols if p != "SFTP"]:
        anchor[protocol] = lftp(protocol)
        print(f"  lftp {protocol}: {anchor[protocol]:.1f} s", flush=True)
    unchanged = {}
    for protocol in protocols:
        unchanged[protocol] = upload(protocol)
    # Once more: the first re-upload reads the exact times of the files listed in the minute the first
    # upload ended (a listing to the minute cannot vouch for them); after it, none is in doubt.
    again = {}
    for protocol in protocols:
        again[protocol] = upload(protocol)

    # One photo changed: another photo of the corpus, copied in its place (new bytes, new time),
    # then the gallery published again; the files whose bytes changed are what should be sent.
    before = contents(gallery)
    target = os.path.join(work, "source")
    shutil.copytree(source, target, symlinks=True)
    first_photo = os.path.join(target, sorted(os.listdir(target))[0])
    other = os.readlink(os.path.join(target, sorted(os.listdir(target))[1]))
    os.remove(first_photo)
    shutil.copyfile(other, first_photo)
    publish(options, target, gallery)
    after = contents(gallery)
    needed = sorted(name for name in after if before.get(name) != after[name] and not galvanes_own(name))
    one_changed = {}
    for protocol in protocols:
        remote = ours[protocol][2]
        old = stamps(remote)
        seconds, claimed = upload(protocol)
        new = stamps(remote)
        written = sorted(name for name in new if old.get(name) != new[name] and not galvanes_own(name))
        one_changed[protocol] = (seconds, claimed, written)

    print()

    def row(label, cell):
        print(f"{label:34}" + "".join(f"{cell(p):>10}" for p in protocols))

    row("", lambda p: p)
    row("floor (bytes / link speed)", lambda p: f"{floor:.1f}")
    row("lftp mirror -R --parallel=4", lambda p: f"{anchor[p]:.1f}" if p in anchor else "-")
    row("galvane-publish first upload", lambda p: f"{first[p]:.1f}")
    row("  / lftp (FTP: target <= 0.80)", lambda p: f"{first[p] / anchor[p]:.2f}" if p in anchor else "-")
    row("  / floor (target <= 2.50)", lambda p: f"{first[p] / floor:.2f}")
    row("  processor seconds it used", lambda p: f"{first_processor[p]:.1f}")
    row("unchanged re-upload (< 2 s)", lambda p: f"{unchanged[p][0]:.2f}")
    row("  files in the record's minute", lambda p: str(doubt[p]))
    row("  files sent", lambda p: str(unchanged[p][1]))
    row("unchanged re-upload again (< 2 s)", lambda p: f"{again[p][0]:.2f}")
    row("  files sent", lambda p: str(again[p][1]))
    row("one photo changed: seconds", lambda p: f"{one_changed[p][0]:.1f}")
    row("  files written on the server", lambda p: str(len(one_changed[p][2])))
    row("  files sent, as reported", lambda p: str(one_changed[p][1]))
    row("  files whose bytes changed", lambda p: str(len(needed)))
    print()
    verdicts = [("first upload over FTP <= 0.8x lftp", first["FTP"] <= 0.8 * anchor["FTP"])] if "FTP" in first else []
    verdicts += [(f"first upload over {p} <= 2.5x the floor", first[p] <= 2.5 * floor) for p in first]
    verdicts += [(f"unchanged re-upload over {p} < 2 s, nothing sent", unchanged[p][0] < 2 and unchanged[p][1] == 0)
                 for p in unchanged]
    verdicts += [(f"unchanged re-upload again over {p} < 2 s, nothing sent", again[p][0] < 2 and again[p][1] == 0)
                 for p in again]
    verdicts += [(f"one photo changed over {p}: exactly the changed files sent", one_changed[p][2] == needed)
                 for p in one_changed]
    for text, met in verdicts:
        print(f"  {'met    ' if met else 'MISSED '} {text}")
    for protocol, (_, _, written) in one_changed.items():
        extra, short = sorted(set(written) - set(needed)), sorted(set(needed) - set(written))
        if extra or short:
            print(f"  {protocol}: {len(extra)} sent unchanged (e.g. {extra[:3]}), {len(short)} changed not sent "
                  f"(e.g. {short[:3]})")
    for fault in faults:
        print("  FAULT", fault)
    with open(os.path.join(work, "proxy.err")) as f:
        said = f.read().strip().splitlines()
    if said:
        print(f"  the link proxy wrote {len(said)} line(s) of errors; the last: {said[-1]}")
    if faults:
        sys.exit(1)


if __name__ == "__main__":
    main()
