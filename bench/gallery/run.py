#!/usr/bin/env python3
"""Lighthouse scores of the bundled styles, as a visitor on a phone and on a desktop meets them.

    bench/gallery/run.py GALVANE_PUBLISH [WORK_DIR] [--only STYLE[/PICTURES[/PAGE]]] [--device DEVICE]
                         [--reports DIR]

Publishes, with each style, a gallery of 15 real photographs (Debian's wallpaper packages) with
1600 px large pictures, one of 2,000 pictures (the same photographs again and again, as
originals, so only thumbnails are made), one of two pictures whose height limits them ("shapes": a
photograph of 4:3 and the same turned to 3:4, 1600 px large pictures), and one of albums (--albums: 25 albums below the top,
pictures at every level, one branch 5 levels deep, names that need escaping), serves them on
127.0.0.1 and runs Lighthouse over each style's pages: for albums the top start page with its
tiles, an album's start page and a picture page 5 levels down. Pages, style sheets and scripts are served gzip-compressed, as Debian's Apache and
nginx serve HTML out of the box; --uncompressed serves every file as it is, as a host without
compression would. Prints performance, accessibility, best practices and SEO and the layout shift per
page and device (and, after "below 100:", each failed audit; the picture audits with each file's
bytes and wasted bytes), then the worst of each style against the targets. --only and --device narrow the
run to one style, gallery, page or device (--only /albums: the album galleries of every style);
--reports keeps each Lighthouse report there.
Needs `scripts/setup --bench`.
"""
import argparse
import functools
import glob
import gzip
import re
import http.server
import json
import os
import shutil
import subprocess
import tempfile
import threading
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
LIGHTHOUSE = os.path.join(HERE, "node_modules", ".bin", "lighthouse")
WALLPAPERS = ["/usr/share/backgrounds/mate/nature/*.jpg", "/usr/share/backgrounds/mate/*/*.jpg",
              "/usr/share/wallpapers/*/contents/images/*.jpg", "/usr/share/wallpapers/*/contents/images/*.png"]
CHROME_FLAGS = ("--headless=new --no-sandbox --disable-gpu --disable-quic --no-first-run "
                "--disable-background-networking --disable-component-update --disable-sync")
# The album tree below the top album (which holds pictures too): 25 albums, one branch 5 levels deep.
DEEPEST = "2026/Rome & around/Day #1/Morning 100%/Café \"Roma\" <terrace>"
ALBUMS = ["2026", "2026/Rome & around", "2026/Rome & around/Day #1", "2026/Rome & around/Day #1/Morning 100%",
          DEEPEST, "2026/Rome & around/Day #1/Evening", "2026/Rome & around/Day 2", "2026/Paris", "2026/Oslo",
          "2026/Lisbon", "Family & friends", "Family & friends/Anna", "Family & friends/Ben",
          "Family & friends/Cléo", "Family & friends/Dan's birthday", "Sea #1", "Sea #1/Boats", "Sea #1/Gulls",
          "Sea #1/Dunes", "Mountains \"high\"", "Été à Nice", "Birthdays <2025>", "Garden",
          "Winter", "Winter/Snow"]
ALBUM = "Family & friends"
PAGES = {
    "Classic": {"15": ["main.htm", "indexpage1.htm", "imagepage1.htm"], "2000": ["indexpage1.htm", "imagepage1000.htm"],
                "albums": ["main.htm", ALBUM + "/main.htm", DEEPEST + "/imagepage1.htm"],
                "shapes": ["imagepage1.htm", "imagepage2.htm"]},
    "Frames": {"15": ["main.htm", "main.htm#3", "imagepage1.htm"], "2000": ["main.htm"],
               "albums": ["main.htm", ALBUM + "/main.htm", DEEPEST + "/imagepage1.htm"],
               "shapes": ["imagepage1.htm", "imagepage2.htm"]},
    "Slides": {"15": ["main.htm", "largepage1.htm", "smallpage1.htm", "listpage.htm"], "2000": ["listpage.htm"],
               "albums": ["main.htm", ALBUM + "/main.htm", DEEPEST + "/largepage1.htm"],
               "shapes": ["largepage1.htm", "largepage2.htm"]},
}
# The photograph the "shapes" galleries show at 4:3 and, turned, at 3:4: pictures whose height
# limits the width they are drawn at.
SHAPES_PHOTO = "/usr/share/backgrounds/mate/nature/Wood.jpg"
# Audits that judge the picture files a page loads: their size for the room they get, and their format.
PICTURE_AUDITS = ("uses-responsive-images", "modern-image-formats")
TARGETS = {"performance": 95, "accessibility": 100, "best-practices": 95, "seo": 95}


def photographs(count):
    renditions = {}
    for pattern in WALLPAPERS:
        for path in glob.glob(pattern):
            renditions.setdefault(wallpaper_name(path), []).append(path)
    # The largest rendition of each wallpaper, taking turns between the two packages.
    chosen = [(name, max(renditions[name], key=os.path.getsize)) for name in sorted(renditions)]
    chosen = chosen[::2][:count // 2 + 1] + chosen[1::2]
    if len(chosen) < count:
        raise SystemExit("install mate-backgrounds and plasma-workspace-wallpapers (scripts/setup --bench)")
    return sorted(chosen[:count])


def wallpaper_name(path):
    if "/contents/" in path:
        return os.path.basename(path.split("/contents/")[0])
    return re.sub(r"_\d+x\d+$", "", os.path.splitext(os.path.basename(path))[0])


def publish(program, source, dest, style, extra):
    subprocess.run([program, "--source", source, "--dest", dest, "--style", style, "--title", "Summer by the water",
                    "--name", "By the water", "--commentary", "Fifteen walks along the shore, from dawn to dusk.",
                    "--quiet", *extra], check=True, stdout=subprocess.DEVNULL)


def galleries(program, work, wanted):
    """Publishes the galleries of the (style, size) pairs wanted that are not there yet."""
    real = os.path.join(work, "photos")
    os.makedirs(real, exist_ok=True)
    kept = set()
    for index, (name, path) in enumerate(photographs(15)):
        # Photographs come as JPEG files; the PNG wallpapers are turned into such.
        target = os.path.join(real, f"p{index + 1:02d}_{name}.jpg")
        kept.add(target)
        if os.path.exists(target):
            continue
        if path.lower().endswith(".png"):
            subprocess.run(["vips", "copy", path, target + "[Q=90,strip]"], check=True)
        else:
            shutil.copy(path, target)
    for stale in set(glob.glob(os.path.join(real, "*"))) - kept:
        os.remove(stale)
    for style in PAGES:
        dest = os.path.join(work, style + "-15")
        if (style, "15") not in wanted and style != "Classic":
            continue
        if not os.path.exists(os.path.join(dest, "main.htm")):
            publish(program, real, dest, style, ["--large", "1600x1600"])
    # 2,000 pictures: links to 1600 px copies of the photographs, published as they are.
    copies = sorted(glob.glob(os.path.join(work, "Classic-15", "p*.jpg")))
    for style in PAGES:
        dest = os.path.join(work, style + "-2000")
        if (style, "2000") not in wanted or os.path.exists(os.path.join(dest, "main.htm")):
            continue
        os.makedirs(dest, exist_ok=True)
        for i in range(2000):
            source = copies[i % len(copies)]
            os.link(source, os.path.join(dest, f"n{i + 1:04d}_" + os.path.basename(source)))
        publish(program, dest, dest, style, ["--use-original"])
    # Albums: two to four pictures in each (links to the 1600 px copies), three in the top album.
    tree = os.path.join(work, "album-photos")
    if not os.path.isdir(tree):
        shutil.rmtree(tree + ".part", ignore_errors=True)
        for index, album in enumerate([""] + ALBUMS):
            folder = os.path.join(tree + ".part", album)
            os.makedirs(folder, exist_ok=True)
            for i in range(3 if not album else 2 + index % 3):
                source = copies[(index * 3 + i) % len(copies)]
                os.link(source, os.path.join(folder, os.path.basename(source)))
        os.rename(tree + ".part", tree)
    # Shapes: a landscape photograph of 4:3 and the same turned to portrait, with 1600 px large pictures.
    shapes = os.path.join(work, "shape-photos")
    if any(size == "shapes" for _, size in wanted) and not os.path.isdir(shapes):
        os.makedirs(shapes + ".part", exist_ok=True)
        shutil.copy(SHAPES_PHOTO, os.path.join(shapes + ".part", "s1_wood.jpg"))
        subprocess.run(["vips", "rot", SHAPES_PHOTO, os.path.join(shapes + ".part", "s2_wood_standing.jpg[Q=90]"), "d90"],
                       check=True)
        os.rename(shapes + ".part", shapes)
    for style in PAGES:
        dest = os.path.join(work, style + "-shapes")
        if (style, "shapes") in wanted and not os.path.exists(os.path.join(dest, "main.htm")):
            publish(program, shapes, dest, style, ["--large", "1600x1600"])
    for style in PAGES:
        dest = os.path.join(work, style + "-albums")
        if (style, "albums") in wanted and not os.path.exists(os.path.join(dest, "main.htm")):
            publish(program, tree, dest, style, ["--albums", "--large", "1600x1600"])


def address(page):
    """The page's address relative to its gallery: every folder name encoded, a fragment kept."""
    path, mark, fragment = page.partition(".htm#")
    return urllib.parse.quote(path, safe="/") + (".htm#" + fragment if mark else "")


# Served compressed as Debian's Apache (mod_deflate) and nginx serve them out of the box.
COMPRESSED = {".htm", ".html", ".css", ".js", ".svg", ".txt", ".xml"}


def serve(root, compress=True):
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def do_GET(self):
            try:
                self.answer()
            except (BrokenPipeError, ConnectionResetError):
                pass  # the browser went on before it had it all, as it does with pages fetched ahead

        def answer(self):
            path = self.translate_path(self.path)
            accepted = "gzip" in self.headers.get("Accept-Encoding", "")
            if not (compress and accepted and os.path.isfile(path) and os.path.splitext(path)[1] in COMPRESSED):
                return super().do_GET()
            with open(path, "rb") as f:
                data = gzip.compress(f.read(), 6)
            self.send_response(200)
            self.send_header("Content-Type", self.guess_type(path))
            self.send_header("Content-Encoding", "gzip")
            self.send_header("Vary", "Accept-Encoding")
            self.send_header("Content-Length", str(len(data)))
            self.send_header("Last-Modified", self.date_time_string(int(os.path.getmtime(path))))
            self.end_headers()
            self.wfile.write(data)

    handler = functools.partial(Quiet, directory=root)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def lighthouse(url, device, work, keep=None):
    report = os.path.join(work, "report.json")
    command = [LIGHTHOUSE, url, "--quiet", "--output=json", "--output-path=" + report,
               "--only-categories=performance,accessibility,best-practices,seo", "--chrome-flags=" + CHROME_FLAGS]
    if device == "desktop":
        command.append("--preset=desktop")
    env = dict(os.environ, CHROME_PATH=shutil.which("chromium") or "/usr/bin/chromium")
    subprocess.run(command, check=True, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    with open(report) as f:
        data = json.load(f)
    if keep:
        shutil.copy(report, keep)
    scores = {key: round(100 * (data["categories"][key]["score"] or 0)) for key in TARGETS}
    scores["cls"] = data["audits"]["cumulative-layout-shift"]["numericValue"]
    failed = [audit_id for category in ("accessibility", "best-practices", "seo")
              for ref in data["categories"][category]["auditRefs"]
              for audit_id in [ref["id"]] if ref.get("weight") and (data["audits"][audit_id]["score"] or 0) < 1]
    # The two picture audits, failed ones with each picture they name: file, bytes, bytes wasted.
    for audit_id in PICTURE_AUDITS:
        audit = data["audits"][audit_id]
        if audit["score"] is not None and audit["score"] < 1:
            items = audit.get("details", {}).get("items", [])
            failed.append(audit_id + "[" + ", ".join(
                f"{urllib.parse.unquote(item['url'].rsplit('/', 1)[-1])} {item['totalBytes']}/{item['wastedBytes']}"
                for item in items) + "]")
    return scores, failed


def main():
    parser = argparse.ArgumentParser(description="Lighthouse scores of the bundled styles.")
    parser.add_argument("program")
    parser.add_argument("work", nargs="?")
    parser.add_argument("--only", default="", help="STYLE, STYLE/PICTURES or STYLE/PICTURES/PAGE; PICTURES is 15, "
                        "2000, shapes or albums; an empty part matches all (/albums: the album galleries of every style)")
    parser.add_argument("--device", choices=("phone", "desktop"))
    parser.add_argument("--reports", help="folder to keep each Lighthouse report in")
    parser.add_argument("--uncompressed", action="store_true", help="serve pages as they are, not gzip-compressed")
    args = parser.parse_args()
    program = args.program
    work = args.work or tempfile.mkdtemp(prefix="galvane-gallery-bench-")
    only = (args.only.split("/", 2) + ["", "", ""])[:3]
    if args.reports:
        os.makedirs(args.reports, exist_ok=True)
    if not os.path.exists(LIGHTHOUSE):
        raise SystemExit("Lighthouse is missing: scripts/setup --bench")
    runs = [(style, size, page, device) for style, sets in PAGES.items() for size, pages in sets.items()
            for page in pages for device in ("phone", "desktop")
            if not any(want and want != have for want, have in zip(only, (style, size, page)))
            and not (args.device and args.device != device)]
    galleries(program, work, {(style, size) for style, size, _, _ in runs})
    server = serve(work, not args.uncompressed)
    base = f"http://127.0.0.1:{server.server_address[1]}/"
    print("pages served " + ("as they are, uncompressed" if args.uncompressed else "gzip-compressed"))
    width = max([18] + [len(page) for _, _, page, _ in runs])
    print(f"{'style':8} {'pictures':>8} {'page':{width}} {'device':8} {'perf':>5} {'a11y':>5} {'best':>5} {'seo':>5} {'CLS':>6}")
    worst = {}
    for style, size, page, device in runs:
        keep = args.reports and os.path.join(
            args.reports, f"{style}-{size}-{re.sub(r'[^A-Za-z0-9.]+', '_', page)}-{device}.json")
        scores, failed = lighthouse(f"{base}{style}-{size}/{address(page)}", device, work, keep)
        print(f"{style:8} {size:>8} {page:{width}} {device:8} {scores['performance']:5} {scores['accessibility']:5} "
              f"{scores['best-practices']:5} {scores['seo']:5} {scores['cls']:6.3f}"
              + (f"  below 100: {' '.join(failed)}" if failed else ""), flush=True)
        low = worst.setdefault((style, device), dict(scores))
        for key in TARGETS:
            low[key] = min(low[key], scores[key])
        low["cls"] = max(low["cls"], scores["cls"])
    server.shutdown()
    print("\nworst page of each style (targets: performance >= 95 on a phone, accessibility 100, "
          "best practices and SEO >= 95, CLS < 0.1)")
    for (style, device), low in worst.items():
        misses = [key for key, target in TARGETS.items()
                  if low[key] < target and (key != "performance" or device == "phone")]
        if low["cls"] >= 0.1:
            misses.append("cls")
        print(f"{style:8} {device:8} perf {low['performance']:3}  a11y {low['accessibility']:3}  best "
              f"{low['best-practices']:3}  seo {low['seo']:3}  CLS {low['cls']:.3f}  "
              + ("targets met" if not misses else "missed: " + ", ".join(misses)))


if __name__ == "__main__":
    main()
