#!/usr/bin/env python3
"""Publishes a gallery with each bundled style, serves it on 127.0.0.1 and opens it in headless
Chromium: every picture on the start page, the first thumbnail page and one picture page (frames
included) must have loaded, with a natural width above 0.

    browser_gallery_test.py GALVANE_PUBLISH MAKE_SAMPLE_PICTURES
"""
import html
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

PAGES = {
    "Classic": ["main.htm", "indexpage1.htm", "imagepage1.htm"],
    "Frames": ["main.htm", "imagepage1.htm"],
    "Slides": ["main.htm", "smallpage1.htm", "largepage1.htm"],
}

CHECK_PAGE = """<!DOCTYPE html><html><body><pre id="result">pending</pre><script>
const pages = %s;
function imagesOf(doc, out) {
  for (const img of doc.images) out.push({src: img.getAttribute('src'), width: img.naturalWidth});
  for (const frame of doc.querySelectorAll('iframe, frame')) {
    if (frame.contentDocument) imagesOf(frame.contentDocument, out);
    else out.push({src: 'frame ' + frame.getAttribute('src'), width: 0});
  }
  return out;
}
function open(url) {
  return new Promise(done => {
    const frame = document.createElement('iframe');
    frame.style.width = '1400px';
    frame.style.height = '3000px';
    frame.onload = () => done(frame);
    frame.src = url;
    document.body.appendChild(frame);
  });
}
(async () => {
  const report = [];
  for (const page of pages) {
    const frame = await open(page);
    await new Promise(r => setTimeout(r, 3000));
    report.push({page: page, images: imagesOf(frame.contentDocument, [])});
  }
  document.getElementById('result').textContent = JSON.stringify(report);
})();
</script></body></html>
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, seconds=10):
    deadline = time.time() + seconds
    while time.time() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return True
        except OSError:
            time.sleep(0.1)
    return False


def browse(url, profile):
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if not chromium:
        raise SystemExit("chromium is not installed (scripts/setup installs it)")
    command = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
               "--disable-background-networking", "--disable-component-update", "--disable-sync",
               "--user-data-dir=" + profile, "--virtual-time-budget=30000", "--dump-dom", url]
    dom = subprocess.run(command, capture_output=True, text=True, timeout=180).stdout
    match = re.search(r'<pre id="result">(.*?)</pre>', dom, re.S)
    return json.loads(html.unescape(match.group(1))) if match and match.group(1) != "pending" else None


def main():
    publish, make_samples = sys.argv[1], sys.argv[2]
    failures = []
    checked = 0
    with tempfile.TemporaryDirectory(prefix="galvane-browser-") as work:
        photos = os.path.join(work, "photos")
        subprocess.run([make_samples, photos], check=True, stdout=subprocess.DEVNULL)
        for style, pages in PAGES.items():
            dest = os.path.join(work, style)
            subprocess.run([publish, "--source", photos, "--dest", dest, "--style", style,
                            "--large", "640x480", "--quiet"], check=True, stdout=subprocess.DEVNULL)
            with open(os.path.join(dest, "check.html"), "w") as f:
                f.write(CHECK_PAGE % json.dumps(pages))

        port = free_port()
        server = subprocess.Popen([sys.executable, "-m", "http.server", "--bind", "127.0.0.1", str(port)],
                                  cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            if not wait_for_port(port):
                raise SystemExit("the local web server did not start")
            for style in PAGES:
                report = browse(f"http://127.0.0.1:{port}/{style}/check.html", os.path.join(work, "profile"))
                if report is None:
                    failures.append(f"{style}: the check page did not finish")
                    continue
                for page in report:
                    if not page["images"] and page["page"] != "main.htm":
                        failures.append(f"{style}/{page['page']}: no picture at all")
                    for image in page["images"]:
                        checked += 1
                        if image["width"] <= 0:
                            failures.append(f"{style}/{page['page']}: {image['src']} did not load")
        finally:
            os.kill(server.pid, signal.SIGTERM)
            server.wait(timeout=10)

    for failure in failures:
        print("FAIL", failure)
    print(f"{checked - len(failures)} passed, {len(failures)} failed")
    return 1 if failures or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
