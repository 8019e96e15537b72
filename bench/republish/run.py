#!/usr/bin/env python3
"""Re-publishing benchmark. For the 40-photograph corpus of bench/conversion and for a set of
1,000 photographs (the corpus repeated under distinct names, as symbolic links, every other one
with a caption file), galvane-publish publishes once, then again unchanged (once from a cold page
cache when the run may drop it, as root, then warm), then again after one photograph was replaced
by another. The same 1,000 spread over 25 albums (the top folder and 24 subfolders, --albums) are
published the same way, right after the flat set, and their first publish compared with the flat one's.
In the same run vipsthumbnail makes the same two sizes of the 40 photographs, one pass per size
(the anchor of bench/conversion). Prints each time and its ratios.

The first publish of the 40 and the anchor are run RUNS times (default 5), one after the other in
turn, and their medians compared: both use the machine's cores differently (galvane-publish
converts on every core, vipsthumbnail mostly on one), so a single pair of runs on a busy machine
says more about the load than about either. Their processor time is printed beside.

    run.py GALVANE_PUBLISH CORPUS_DIR [RUNS]

GALVANE_STYLE=NAME_OR_DIR publishes with that style in place of Classic, for example
tests/styles/###Srcset, which asks for every variant of each picture.
"""
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(command, cpu=None):
    """Runs the command; returns (seconds, stdout). Adds its processor seconds to cpu[0]."""
    before = children_cpu()
    start = time.monotonic()
    result = subprocess.run(command, capture_output=True, text=True)
    elapsed = time.monotonic() - start
    if result.returncode != 0:
        raise SystemExit(f"failed: {' '.join(command)}\n{result.stdout}{result.stderr}")
    if cpu is not None:
        cpu[0] += children_cpu() - before
    return elapsed, result.stdout


def publish_command(program, source, dest, extra=()):
    style = os.environ.get("GALVANE_STYLE") or "Classic"
    return [program, "--source", source, "--dest", dest, "--style", style, "--thumb", "100x100",
            "--large", "640x480", "--quality", "75", "--quiet", "--no-bg-image", *extra]


def publish(program, source, dest, extra=()):
    return timed(publish_command(program, source, dest, extra))


def anchor(photos, work):
    """Seconds and processor seconds of the two vipsthumbnail passes."""
    out = os.path.join(work, "anchor")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    cpu = [0.0]
    large, _ = timed(["vipsthumbnail", "-s", "640x480", "-o", os.path.join(out, "%s.jpg[Q=75,strip]")] + photos,
                     cpu)
    small, _ = timed(["vipsthumbnail", "-s", "100x100", "-o", os.path.join(out, "thn_%s.jpg[Q=75,strip]")] + photos,
                     cpu)
    return large + small, cpu[0]


def first_publishes(program, source, work, photos, runs):
    """Medians of (seconds, processor seconds) of a first publish and of the anchor, run in turn."""
    ours, theirs = [], []
    for i in range(runs):
        cpu = [0.0]
        seconds, _ = timed(publish_command(program, source, os.path.join(work, f"first{i}")), cpu)
        ours.append((seconds, cpu[0]))
        theirs.append(anchor(photos, work))
    median = lambda pairs: (statistics.median(p[0] for p in pairs), statistics.median(p[1] for p in pairs))
    return median(ours), median(theirs)


def linked_set(photos, folder, count):
    """Every other photograph has a caption in a text file beside it, as a gallery with captions
    has; the others are read for theirs all the same."""
    os.makedirs(folder)
    for i in range(count):
        photo = photos[i % len(photos)]
        name = f"{i:04d}_{os.path.basename(photo)}"
        os.symlink(photo, os.path.join(folder, name))
        if i % 2 == 0:
            with open(os.path.join(folder, name + ".txt"), "w", encoding="utf-8") as caption:
                caption.write(f"Photograph {i} of the set, with a caption of a few words.\n")


def album_set(photos, folder, count, albums):
    """The linked set spread evenly over the folder itself and albums - 1 subfolders of it."""
    os.makedirs(folder)
    folders = [folder] + [os.path.join(folder, f"album {a:02d}") for a in range(1, albums)]
    for sub in folders[1:]:
        os.makedirs(sub)
    for i in range(count):
        photo = photos[i % len(photos)]
        os.symlink(photo, os.path.join(folders[i % albums], f"{i:04d}_{os.path.basename(photo)}"))


def replace_one(folder, other):
    """Puts another photograph under the first name of the folder, of a new modification time."""
    first = sorted(os.listdir(folder))[0]
    path = os.path.join(folder, first)
    os.remove(path)
    shutil.copyfile(other, path)
    return first


def drop_page_cache():
    """Empties the kernel's page cache (root only); False when that is not allowed here."""
    subprocess.run(["sync"])
    try:
        with open("/proc/sys/vm/drop_caches", "w") as caches:
            caches.write("3\n")
        return True
    except OSError:
        return False


def measure(program, source, dest, other, extra=()):
    """Seconds of the first publish, the unchanged re-publish from a cold page cache (None when the
    cache cannot be dropped) and warm, and the re-publish after one photograph was replaced."""
    first, _ = publish(program, source, dest, extra)
    cold = None
    if drop_page_cache():
        cold, output = publish(program, source, dest, extra)
        if "0 pictures converted" not in output:
            raise SystemExit(f"the unchanged re-publish converted pictures:\n{output}")
    unchanged, output = publish(program, source, dest, extra)
    if "0 pictures converted" not in output:
        raise SystemExit(f"the unchanged re-publish converted pictures:\n{output}")
    replace_one(source, other)
    replaced, output = publish(program, source, dest, extra)
    if "1 pictures converted" not in output:
        raise SystemExit(f"one replaced photograph should convert one picture:\n{output}")
    return first, cold, unchanged, replaced


def main():
    program, corpus = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    photos = sorted(os.path.join(corpus, n) for n in os.listdir(corpus) if n.endswith(".jpg"))
    if len(photos) < 2:
        raise SystemExit("the corpus needs photographs: bench/conversion/make_corpus.py DIR")
    load = os.getloadavg()[0]
    work = tempfile.mkdtemp(prefix="galvane-republish-bench-")
    try:
        small = os.path.join(work, "forty")
        os.makedirs(small)
        for photo in photos:
            shutil.copyfile(photo, os.path.join(small, os.path.basename(photo)))
        large = os.path.join(work, "thousand")
        linked_set(photos, large, 1000)
        albums = os.path.join(work, "albums")
        album_set(photos, albums, 1000, 25)
        (first40, first40_cpu), (vips, vips_cpu) = first_publishes(program, small, work, photos, runs)
        # The replacement is another photograph of the corpus, copied: a new file and a new time.
        rows = [("40 photographs", measure(program, small, os.path.join(work, "out40"), photos[-1])),
                ("1,000 photographs", measure(program, large, os.path.join(work, "out1000"), photos[-1])),
                ("1,000 in 25 albums", measure(program, albums, os.path.join(work, "outalbums"), photos[-1],
                                               ["--albums"]))]
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print(f"{os.cpu_count()} cores; load before the run: {load:.2f}; style: "
          f"{os.path.basename(os.environ.get('GALVANE_STYLE') or 'Classic')}")
    print(f"vipsthumbnail, one pass per size, 40 photographs (anchor), median of {runs}: {vips:.2f} s "
          f"({vips_cpu:.2f} s of processor time)")
    print(f"first publish of the 40, median of {runs}: {first40:.2f} s ({first40_cpu:.2f} s of processor time)")
    print(f"{'':18} {'first s':>8} {'cold s':>8} {'again s':>8} {'vs first':>8} {'one new s':>9}")
    for name, (first, cold, unchanged, replaced) in rows:
        cold_text = f"{cold:8.2f}" if cold is not None else f"{'n/a':>8}"
        print(f"{name:18} {first:8.2f} {cold_text} {unchanged:8.2f} {unchanged / first:7.3f}x {replaced:9.2f}")
    if rows[0][1][1] is None:
        print("cold: the page cache could not be dropped (needs root)")
    print(f"first publish of the 40 against the anchor: {first40 / vips:.2f}x "
          f"(processor time {first40_cpu / vips_cpu:.2f}x)")
    print(f"first publish of 1,000 in 25 albums against 1,000 in one folder: "
          f"{rows[2][1][0] / rows[1][1][0]:.3f}x")
    per_photo = first40 / len(photos)
    print(f"one replaced photograph among 1,000: {rows[1][1][3]:.2f} s, "
          f"against {per_photo:.2f} s for one photograph of a first publish and "
          f"{rows[1][1][2]:.2f} s for an unchanged re-publish")


if __name__ == "__main__":
    main()
