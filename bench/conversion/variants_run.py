#!/usr/bin/env python3
"""Variants benchmark: a first publish of the corpus with Classic as it was (thumbnail and large
picture only: the anchor), with Classic asking for the variants (WebP and JPEG at several widths,
double thumbnails), and the same set of files as the variant run made by sharp (npm, installed by
`scripts/setup --bench`) at the same concurrency. Prints each one's median time and its ratio to
the anchor, and the ratio of Galvane's variant run to sharp's; once for the large-picture limit
of 640x480 and once for the default (pictures keep their size).

    variants_run.py GALVANE_PUBLISH CORPUS_DIR [RUNS [LIMIT...]]     (limits: 640x480 0x0 by default)

GALVANE_VARIANT_STYLE=DIR takes the style of DIR for the variant run in place of Classic (the
anchor is then that style with its variant placeholders taken out), for example
tests/styles/###Srcset, Classic as it asked for every variant.
"""
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PLACEHOLDERS = re.compile(r"WEBPWIDTHS|JPEGWIDTHS|WEBPTHUMBS|JPEGTHUMBS")


def plain_style(classic, work):
    """Classic with the variant placeholders taken out of its templates: today's Classic."""
    plain = os.path.join(work, "###Plain")
    shutil.copytree(classic, plain)
    for name in os.listdir(plain):
        if name.endswith(".htm"):
            path = os.path.join(plain, name)
            with open(path, encoding="utf-8") as f:
                text = f.read()
            with open(path, "w", encoding="utf-8") as f:
                f.write(PLACEHOLDERS.sub("", text))
    return plain


def header(path, field):
    return int(subprocess.run(["vipsheader", "-f", field, path], capture_output=True, text=True).stdout)


def sharp_jobs(out, corpus, webp_quality, dest):
    """The files a variant run wrote, as jobs for sharp: same names, sizes, formats, qualities."""
    sources = {os.path.splitext(name)[0]: os.path.join(corpus, name) for name in os.listdir(corpus)
               if name.endswith(".jpg")}
    jobs = {}
    for name in sorted(os.listdir(out)):
        stem, extension = os.path.splitext(name)
        if extension not in (".jpg", ".webp") or not (stem.startswith("thn_") or stem in sources or
                                                      re.search(r"-\d+w$", stem)):
            continue
        base = re.sub(r"-\d+w$", "", re.sub(r"@2x$", "", stem[4:] if stem.startswith("thn_") else stem))
        if base not in sources:
            continue
        path = os.path.join(out, name)
        jobs.setdefault(base, []).append({
            "path": os.path.join(dest, name), "width": header(path, "width"), "height": header(path, "height"),
            "format": "webp" if extension == ".webp" else "jpeg",
            "quality": webp_quality if extension == ".webp" else 75})
    return [{"source": sources[base], "outputs": outputs} for base, outputs in sorted(jobs.items())]


def timed(command):
    started = time.monotonic()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.monotonic() - started


def main():
    publish, corpus = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    classic = os.environ.get("GALVANE_VARIANT_STYLE") or os.path.join(
        os.path.dirname(os.path.abspath(publish)), "###Classic")
    work = tempfile.mkdtemp(prefix="galvane-variants-bench-")
    plain = plain_style(classic, work)
    out = os.path.join(work, "out")
    workers = os.cpu_count()
    webp_quality = None
    print(f"{len([n for n in os.listdir(corpus) if n.endswith('.jpg')])} photographs, {workers} cores "
          f"(sharp: {workers} photos at a time), median of {runs} runs")
    for large in sys.argv[4:] or ("640x480", "0x0"):
        def publish_with(style):
            shutil.rmtree(out, ignore_errors=True)
            return timed([publish, "--source", corpus, "--dest", out, "--style", style, "--thumb", "100x100",
                          "--large", large, "--quality", "75", "--quiet", "--no-bg-image"])
        today = statistics.median(publish_with(plain) for _ in range(runs))
        variants = statistics.median(publish_with(classic) for _ in range(runs))
        if webp_quality is None:
            marks = subprocess.run(["grep", "-a", "-o", "webp quality=[0-9]*", "-r", out, "-h", "-m1"],
                                   capture_output=True, text=True).stdout.split()
            webp_quality = int(marks[1].split("=")[1]) if len(marks) > 1 else 75
        made = len([n for n in os.listdir(out) if n.endswith((".jpg", ".webp"))])
        sharp_out = os.path.join(work, "sharp")
        jobs_file = os.path.join(work, "jobs.json")
        with open(jobs_file, "w") as f:
            json.dump(sharp_jobs(out, corpus, webp_quality, sharp_out), f)

        def sharp_run():
            shutil.rmtree(sharp_out, ignore_errors=True)
            os.makedirs(sharp_out)
            return timed(["node", os.path.join(HERE, "sharp_outputs.js"), jobs_file, str(workers)])
        with_sharp = statistics.median(sharp_run() for _ in range(runs))
        sharp_made = len(os.listdir(sharp_out))
        print(f"\n--large {large}: {made} picture files")
        print(f"{'':44} {'seconds':>8} {'ratio':>7}")
        print(f"{'today (thumbnail and large picture only)':44} {today:8.2f} {1:6.2f}x")
        print(f"{'with variants':44} {variants:8.2f} {variants / today:6.2f}x   (target at most 1.60x)")
        print(f"{'sharp, the same ' + str(sharp_made) + ' files':44} {with_sharp:8.2f} {with_sharp / today:6.2f}x")
        print(f"{'variants against sharp':44} {'':8} {variants / with_sharp:6.2f}x   (target below 1.00x)")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
