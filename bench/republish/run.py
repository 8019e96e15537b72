#!/usr/bin/env python3
"""Re-publishing benchmark. For the 40-photograph corpus of bench/conversion and for a set of
1,000 photographs (the corpus repeated under distinct names, as symbolic links), galvane-publish
publishes once, then again unchanged, then again after one photograph was replaced by another.
In the same run vipsthumbnail makes the same two sizes of the 40 photographs, one pass per size
(the anchor of bench/conversion). Prints each time and its ratios.

    run.py GALVANE_PUBLISH CORPUS_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time


def timed(command):
    start = time.monotonic()
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        raise SystemExit(f"failed: {' '.join(command)}\n{result.stdout}{result.stderr}")
    return time.monotonic() - start, result.stdout


def publish(program, source, dest):
    return timed([program, "--source", source, "--dest", dest, "--style", "Classic", "--thumb", "100x100",
                  "--large", "640x480", "--quality", "75", "--quiet", "--no-bg-image"])


def anchor(photos, work):
    out = os.path.join(work, "anchor")
    os.makedirs(out)
    large, _ = timed(["vipsthumbnail", "-s", "640x480", "-o", os.path.join(out, "%s.jpg[Q=75,strip]")] + photos)
    small, _ = timed(["vipsthumbnail", "-s", "100x100", "-o", os.path.join(out, "thn_%s.jpg[Q=75,strip]")] + photos)
    return large + small


def linked_set(photos, folder, count):
    os.makedirs(folder)
    for i in range(count):
        photo = photos[i % len(photos)]
        os.symlink(photo, os.path.join(folder, f"{i:04d}_{os.path.basename(photo)}"))


def replace_one(folder, other):
    """Puts another photograph under the first name of the folder, of a new modification time."""
    first = sorted(os.listdir(folder))[0]
    path = os.path.join(folder, first)
    os.remove(path)
    shutil.copyfile(other, path)
    return first


def measure(program, source, dest, other):
    first, _ = publish(program, source, dest)
    unchanged, output = publish(program, source, dest)
    if "0 pictures converted" not in output:
        raise SystemExit(f"the unchanged re-publish converted pictures:\n{output}")
    replace_one(source, other)
    replaced, output = publish(program, source, dest)
    if "1 pictures converted" not in output:
        raise SystemExit(f"one replaced photograph should convert one picture:\n{output}")
    return first, unchanged, replaced


def main():
    program, corpus = sys.argv[1], sys.argv[2]
    photos = sorted(os.path.join(corpus, n) for n in os.listdir(corpus) if n.endswith(".jpg"))
    if len(photos) < 2:
        raise SystemExit("the corpus needs photographs: bench/conversion/make_corpus.py DIR")
    work = tempfile.mkdtemp(prefix="galvane-republish-bench-")
    try:
        small = os.path.join(work, "forty")
        os.makedirs(small)
        for photo in photos:
            shutil.copyfile(photo, os.path.join(small, os.path.basename(photo)))
        large = os.path.join(work, "thousand")
        linked_set(photos, large, 1000)
        vips = anchor(photos, work)
        # The replacement is another photograph of the corpus, copied: a new file and a new time.
        rows = [("40 photographs", measure(program, small, os.path.join(work, "out40"), photos[-1])),
                ("1,000 photographs", measure(program, large, os.path.join(work, "out1000"), photos[-1]))]
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print(f"{os.cpu_count()} cores; vipsthumbnail, one pass per size, 40 photographs (anchor): {vips:.2f} s")
    print(f"{'':18} {'first s':>8} {'again s':>8} {'vs first':>8} {'one new s':>9}")
    for name, (first, unchanged, replaced) in rows:
        print(f"{name:18} {first:8.2f} {unchanged:8.2f} {unchanged / first:7.3f}x {replaced:9.2f}")
    forty_first = rows[0][1][0]
    print(f"first publish of the 40 against the anchor: {forty_first / vips:.2f}x")
    per_photo = forty_first / len(photos)
    print(f"one replaced photograph among 1,000: {rows[1][1][2]:.2f} s, "
          f"against {per_photo:.2f} s for one photograph of a first publish and "
          f"{rows[1][1][1]:.2f} s for an unchanged re-publish")


if __name__ == "__main__":
    main()
