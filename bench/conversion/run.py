#!/usr/bin/env python3
"""Conversion benchmark: thumbnails of 100x100 and large pictures of 640x480 at quality 75 for a
corpus of 40 photographs of 12 to 24 megapixels, made by galvane-publish and, in the same run, by
vipsthumbnail (one pass per size, the anchor) and by ImageMagick's mogrify (one pass per size).
Prints each one's median time, its ratio to the anchor and its peak memory.

    run.py GALVANE_PUBLISH CORPUS_DIR [RUNS]
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile


def timed(commands):
    """Runs the commands one after the other; returns (seconds, peak resident MB of any one)."""
    seconds, peak = 0.0, 0.0
    for command in commands:
        result = subprocess.run(["/usr/bin/time", "-f", "%e %M"] + command, capture_output=True, text=True)
        if result.returncode != 0:
            raise SystemExit(f"failed: {' '.join(command)}\n{result.stderr}")
        elapsed, kilobytes = result.stderr.strip().splitlines()[-1].split()
        seconds += float(elapsed)
        peak = max(peak, int(kilobytes) / 1024)
    return seconds, peak


def main():
    publish, corpus = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    photos = sorted(os.path.join(corpus, name) for name in os.listdir(corpus) if name.endswith(".jpg"))
    work = tempfile.mkdtemp(prefix="galvane-conversion-bench-")
    out = os.path.join(work, "out")

    def fresh():
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)
        return out

    contenders = {
        "galvane-publish": lambda: [[publish, "--source", corpus, "--dest", fresh(), "--style", "Classic",
                                     "--thumb", "100x100", "--large", "640x480", "--quality", "75", "--quiet",
                                     "--no-bg-image"]],
        "vipsthumbnail, one pass per size": lambda: [
            ["vipsthumbnail", "-s", "640x480", "-o", os.path.join(fresh(), "%s.jpg[Q=75,strip]")] + photos,
            ["vipsthumbnail", "-s", "100x100", "-o", os.path.join(out, "thn_%s.jpg[Q=75,strip]")] + photos],
        "ImageMagick mogrify, one pass per size": lambda: [
            ["mogrify", "-path", fresh(), "-resize", "640x480", "-quality", "75", "-strip"] + photos,
            ["mogrify", "-path", out, "-thumbnail", "100x100", "-quality", "75"] + photos],
    }
    results = {}
    for name, commands in contenders.items():
        times, peaks = [], []
        # ImageMagick takes several times longer: one run of it is enough to place it.
        for _ in range(1 if name.startswith("ImageMagick") else runs):
            seconds, peak = timed(commands())
            times.append(seconds)
            peaks.append(peak)
        results[name] = (statistics.median(times), max(peaks))
    shutil.rmtree(work, ignore_errors=True)

    anchor = results["vipsthumbnail, one pass per size"][0]
    print(f"{len(photos)} photographs, {os.cpu_count()} cores, median of {runs} runs")
    print(f"{'':40} {'seconds':>8} {'ratio':>7} {'peak MB':>8}")
    for name, (seconds, peak) in results.items():
        print(f"{name:40} {seconds:8.2f} {seconds / anchor:6.2f}x {peak:8.0f}")


if __name__ == "__main__":
    main()
