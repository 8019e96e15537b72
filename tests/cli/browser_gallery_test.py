#!/usr/bin/env python3
"""Publishes a gallery with each bundled style, serves it on 127.0.0.1 and opens it in headless
Chromium: every picture on the start page, the first thumbnail page and one picture page (frames
included) must have loaded, with a natural width above 0. A page's script may make the browser
choose a picture again after the page has loaded (a <picture> moved into the zoom button, a file
offered at its own size), so each page is looked at once every picture on it has loaded and stayed
loaded for a moment, or after a generous limit. Then the same with pictures whose names
hold every character that can break a page (quotes, "#", "?", "%", "\\", "&amp;", "<", blanks,
tabs, line breaks): every page of those galleries must show every picture under its own name, and
no script hidden in a name may run. Then a gallery of albums (--albums) whose folder names need
encoding: the start pages show the albums' covers, and the albums' own pages their pictures. One
Chromium opens all the galleries.

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
import urllib.parse

# How long a page may take, after its first 1.5 s, until every picture on it has loaded (real time).
SETTLE_LIMIT_MS = 15000

# The local web server: the gallery files, and /.pause, answered after 100 ms, by which the check
# page waits in real time.
SERVER = r'''
import http.server, sys, time
class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        if self.path.startswith("/.pause"):
            time.sleep(0.1)
            self.send_response(204)
            self.end_headers()
        else:
            super().do_GET()
    def log_message(self, *args):
        pass
http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()
'''

PAGES = {
    "Classic": ["main.htm", "indexpage1.htm", "imagepage1.htm"],
    "Frames": ["main.htm", "imagepage1.htm"],
    "Slides": ["main.htm", "smallpage1.htm", "largepage1.htm"],
}

# Base names of the hostile pictures (all JPEG files). Two would run a script if a name went into a
# page raw; "a&amp;b" would show the photo "a&b".
HOSTILE = ['x" onerror="alert(1)', 'y" onerror="top.xss=1,{}', "h#ash", "q?uery", "per%41cent",
           "back\\slash", "it's", "tab\tname", "line\nbreak", "a&amp;b", "a&b", "<b>lt", "sp ace",
           "caf\u00e9"]

CHECK_PAGE = """<!DOCTYPE html><html><body><pre id="result">pending</pre><script>
const pages = %s;
const SETTLE_LIMIT = %d;
function fileOf(img) {
  try { return decodeURIComponent(new URL(img.src).pathname.split('/').pop()); } catch (e) { return '?'; }
}
function imagesOf(doc, out) {
  for (const img of doc.images)
    out.push({src: img.getAttribute('src'), file: fileOf(img), width: img.naturalWidth});
  for (const frame of doc.querySelectorAll('iframe, frame')) {
    if (frame.contentDocument) imagesOf(frame.contentDocument, out);
    else out.push({src: 'frame ' + frame.getAttribute('src'), width: 0});
  }
  return out;
}
function sleep(ms) {
  return new Promise(r => setTimeout(r, ms));
}
function loadedNow(doc) {
  const images = [];
  for (const img of doc.images) images.push(img);
  if (!images.every(img => img.complete && img.naturalWidth > 0)) return false;
  for (const frame of doc.querySelectorAll('iframe, frame'))
    if (!frame.contentDocument || frame.contentDocument.readyState !== 'complete' || !loadedNow(frame.contentDocument))
      return false;
  return true;
}
// Browser time races ahead whenever nothing is being fetched, while a picture chosen again is
// read and decoded in real time; the server holds /.pause for 100 ms of real time, and browser time
// stands still meanwhile.
function pause() {
  return fetch('/.pause', {cache: 'no-store'}).catch(() => sleep(100));
}
// The scripts' own work after the load first (the fetch ahead starts 100 ms after it), then until
// every picture has loaded and stayed loaded over three looks 100 ms apart, at most SETTLE_LIMIT
// real milliseconds.
async function settle(frame) {
  await sleep(1500);
  let steady = 0;
  for (let waited = 0; steady < 3 && waited < SETTLE_LIMIT; waited += 100) {
    await pause();
    steady = loadedNow(frame.contentDocument) ? steady + 1 : 0;
  }
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
    await settle(frame);
    report.push({page: page, images: imagesOf(frame.contentDocument, [])});
    frame.remove();
  }
  document.getElementById('result').textContent = JSON.stringify({pages: report, xss: window.xss || 0});
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
               "--user-data-dir=" + profile, "--virtual-time-budget=600000", "--dump-dom", url]
    # In a session of its own, so that on a timeout the whole browser, helpers included, is ended.
    browser = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                               start_new_session=True)
    try:
        dom, _ = browser.communicate(timeout=480)
    except subprocess.TimeoutExpired:
        # A dialog opened by a script hidden in a name stops the page for good.
        os.killpg(browser.pid, signal.SIGKILL)
        browser.communicate()
        return None
    match = re.search(r'<pre id="result">(.*?)</pre>', dom, re.S)
    return json.loads(html.unescape(match.group(1))) if match and match.group(1) != "pending" else None


def make_hostile(folder):
    os.makedirs(folder)
    for i, base in enumerate(HOSTILE):
        subprocess.run(["convert", "-size", f"{120 + 10 * i}x90", f"gradient:red-blue", "jpg:" + os.path.join(folder, base + ".jpg")],
                       check=True)


def hostile_pages(style):
    n = len(HOSTILE)
    if style == "Classic":
        return ["main.htm", "indexpage1.htm", "indexpage2.htm"] + [f"imagepage{i}.htm" for i in range(1, n + 1)]
    if style == "Frames":
        return ["listpage.htm"] + [f"imagepage{i}.htm" for i in range(1, n + 1)]
    return [f"smallpage{i}.htm" for i in range(1, n + 1)] + [f"largepage{i}.htm" for i in range(1, n + 1)]


def check_hostile(style, report, failures):
    """Every thumbnail and large picture of the hostile gallery shown, each under its own name."""
    wanted = {"thn_" + base + ".jpg" for base in HOSTILE} | {base + ".jpg" for base in HOSTILE}
    seen = set()
    for page in report:
        for image in page["images"]:
            if image["width"] > 0:
                seen.add(image["file"])
    for name in sorted(wanted - seen):
        failures.append(f"hostile {style}: {name!r} never loaded")


# Folders of the gallery of albums, each with one picture; "Only albums" holds an album only.
ALBUMS = ['Year & "x" #1 100%', "caf\u00e9/sp ace?q", "Only albums/Inner"]
ALBUM_PICTURE_PAGE = {"Classic": "imagepage1.htm", "Frames": "imagepage1.htm", "Slides": "largepage1.htm"}


def make_albums(folder, photos):
    os.makedirs(folder)
    shutil.copy(os.path.join(photos, "Meadow.gif"), os.path.join(folder, "top.gif"))
    for album in ALBUMS:
        os.makedirs(os.path.join(folder, album), exist_ok=True)
        shutil.copy(os.path.join(photos, "Meadow.gif"), os.path.join(folder, album, "p.gif"))


def album_pages(style):
    pages = [f"albums-{style}/main.htm"]
    for album in ALBUMS:
        folder = urllib.parse.quote(album, safe="/")
        pages += [f"albums-{style}/{folder}/main.htm", f"albums-{style}/{folder}/{ALBUM_PICTURE_PAGE[style]}"]
    return pages


def check_album_covers(style, report, failures):
    """The top album's start page shows a loaded cover for each of its albums."""
    top = [p for p in report if p["page"] == f"albums-{style}/main.htm"]
    covers = [i for p in top for i in p["images"] if i["width"] > 0 and i["file"] == "thn_p.jpg"]
    if len(covers) < 3:
        failures.append(f"albums {style}: {len(covers)} album covers loaded on the start page, 3 wanted")


def main():
    publish, make_samples = sys.argv[1], sys.argv[2]
    failures = []
    checked = 0
    with tempfile.TemporaryDirectory(prefix="galvane-browser-") as work:
        photos = os.path.join(work, "photos")
        subprocess.run([make_samples, photos], check=True, stdout=subprocess.DEVNULL)
        hostile = os.path.join(work, "hostile-photos")
        make_hostile(hostile)
        tree = os.path.join(work, "album-photos")
        make_albums(tree, photos)
        pages = []
        for style, style_pages in PAGES.items():
            dest = os.path.join(work, style)
            subprocess.run([publish, "--source", photos, "--dest", dest, "--style", style,
                            "--large", "640x480", "--quiet"], check=True, stdout=subprocess.DEVNULL)
            pages += [f"{style}/{page}" for page in style_pages]
            dest = os.path.join(work, "hostile-" + style)
            subprocess.run([publish, "--source", hostile, "--dest", dest, "--style", style,
                            "--large", "640x480", "--quiet"], check=True, stdout=subprocess.DEVNULL)
            pages += [f"hostile-{style}/{page}" for page in hostile_pages(style)]
            dest = os.path.join(work, "albums-" + style)
            subprocess.run([publish, "--source", tree, "--dest", dest, "--style", style, "--albums",
                            "--large", "640x480", "--quiet"], check=True, stdout=subprocess.DEVNULL)
            pages += album_pages(style)
        with open(os.path.join(work, "check.html"), "w") as f:
            f.write(CHECK_PAGE % (json.dumps(pages), SETTLE_LIMIT_MS))

        port = free_port()
        server = subprocess.Popen([sys.executable, "-c", SERVER, str(port)],
                                  cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            if not wait_for_port(port):
                raise SystemExit("the local web server did not start")
            result = browse(f"http://127.0.0.1:{port}/check.html", os.path.join(work, "profile"))
        finally:
            os.kill(server.pid, signal.SIGTERM)
            server.wait(timeout=10)

    if result is None:
        failures.append("the check page did not finish")
    else:
        if result["xss"]:
            failures.append("a script hidden in a picture's name ran")
        for page in result["pages"]:
            name = page["page"]
            if not page["images"] and not name.endswith("/main.htm"):
                failures.append(f"{name}: no picture at all")
            for image in page["images"]:
                checked += 1
                if image["width"] <= 0:
                    failures.append(f"{name}: {image['src']} did not load")
        for style in PAGES:
            check_hostile(style, [p for p in result["pages"] if p["page"].startswith(f"hostile-{style}/")], failures)
            check_album_covers(style, result["pages"], failures)

    for failure in failures:
        print("FAIL", failure)
    print(f"{checked - len(failures)} passed, {len(failures)} failed")
    return 1 if failures or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
