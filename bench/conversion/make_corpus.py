#!/usr/bin/env python3
"""Builds the conversion benchmark's corpus: 40 real photographs from Debian's wallpaper packages
(mate-backgrounds, plasma-workspace-wallpapers), each scaled to between 12 and 24 megapixels and
saved as a JPEG. The corpus is made on the machine and never committed.

    make_corpus.py DIR [COUNT]
"""
import glob
import os
import subprocess
import sys

SOURCES = ["/usr/share/backgrounds/mate/nature/*.jpg", "/usr/share/backgrounds/mate/nature/*.png",
           "/usr/share/backgrounds/mate/*/*.jpg", "/usr/share/wallpapers/*/contents/images/*.jpg",
           "/usr/share/wallpapers/*/contents/images/*.png"]


def size_of(path):
    out = subprocess.run(["vipsheader", "-f", "width", path], capture_output=True, text=True)
    width = int(out.stdout.strip() or 0)
    out = subprocess.run(["vipsheader", "-f", "height", path], capture_output=True, text=True)
    return width, int(out.stdout.strip() or 0)


def main():
    target = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 40
    os.makedirs(target, exist_ok=True)
    # One picture per wallpaper: the largest rendition of each.
    best = {}
    for pattern in SOURCES:
        for path in glob.glob(pattern):
            key = path.split("/contents/")[0] if "/contents/" in path else os.path.splitext(path)[0]
            width, height = size_of(path)
            if width * height > best.get(key, ("", 0))[1]:
                best[key] = (path, width * height)
    chosen = sorted(best.values(), key=lambda item: item[0])[:count]
    if len(chosen) < count:
        raise SystemExit(f"only {len(chosen)} wallpapers found; install mate-backgrounds and "
                         "plasma-workspace-wallpapers")
    for index, (path, pixels) in enumerate(chosen):
        out = os.path.join(target, f"photo{index + 1:02d}.jpg")
        if os.path.exists(out):
            continue
        megapixels = 12 + (index * 12) / max(count - 1, 1)      # spread evenly from 12 to 24 MP
        scale = (megapixels * 1e6 / pixels) ** 0.5
        subprocess.run(["vips", "resize", path, out + "[Q=90,strip]", f"{scale:.6f}"], check=True)
    print(target)


if __name__ == "__main__":
    main()
