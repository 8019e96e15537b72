#!/usr/bin/env python3
"""Variants benchmark: a first publish of the corpus with a copy of Classic asking for nothing
(its templates without the <picture>/<source> markup and the variant placeholders: the designed
thumbnail and large picture only, the anchor), with the bundled Classic, which asks for variants
(WebP at several widths, double thumbnails), and the same set of files as the variant run made by
sharp (npm, installed by `scripts/setup --bench`) at the same concurrency. Prints each one's median
time and its ratio to the anchor, and the ratio of Galvane's variant run to sharp's; for the
default large-picture limit (pictures keep their size), 1024x768 and 640x480. Beside the time, the
processor time of each run (its processes' user and system time), which says more than the time on
a machine that others share.

    variants_run.py GALVANE_PUBLISH CORPUS_DIR [RUNS [LIMIT...]]   (limits: 0x0 1024x768 640x480 by default)

GALVANE_VARIANT_STYLE=DIR takes the style of DIR for the variant run in place of Classic (the
anchor is then that style with its variant markup taken out), for example another bundled style,
or a copy of Classic whose templates also use JPEGWIDTHS. A style that asks for no variants is
refused: its run would make the anchor's files and say nothing.
"""
import json
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
# libwebp's effort of Vimbral's WebP files: sharp writes its WebP files at the same effort, so that
# both make the same files the same way (sharp's default would be 4, slower).
WEBP_EFFORT = 1
PLACEHOLDERS = re.compile(r"WEBPWIDTHS|JPEGWIDTHS|WEBPTHUMBS|JPEGTHUMBS")
PICTURE_MARKUP = re.compile(r"<picture>(<source[^>]*>)*|</picture>")


def plain_style(classic, work):
    """The style asking for nothing: its templates without the <picture> and <source> markup
    around <img> and without any other variant placeholder, as a style that does not use them."""
    plain = os.path.join(work, "###Plain")
    shutil.copytree(classic, plain)
    for name in os.listdir(plain):
        if name.endswith(".htm"):
            path = os.path.join(plain, name)
            with open(path, encoding="utf-8") as f:
                text = f.read()
            with open(path, "w", encoding="utf-8") as f:
                f.write(PLACEHOLDERS.sub("", PICTURE_MARKUP.sub("", text)))
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
            "quality": webp_quality if extension == ".webp" else 75, "effort": WEBP_EFFORT})
    return [{"source": sources[base], "outputs": outputs} for base, outputs in sorted(jobs.items())]


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(command):
    """(seconds, processor seconds) of the command."""
    cpu = children_cpu()
    started = time.monotonic()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.monotonic() - started, children_cpu() - cpu


def median(pairs):
    return statistics.median(p[0] for p in pairs), statistics.median(p[1] for p in pairs)


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
          f"(sharp: {workers} photos at a time), median of {runs} runs; load before the run: "
          f"{os.getloadavg()[0]:.2f}; variant style: {os.path.basename(classic)}")
    for large in sys.argv[4:] or ("0x0", "1024x768", "640x480"):
        def publish_with(style):
            shutil.rmtree(out, ignore_errors=True)
            return timed([publish, "--source", corpus, "--dest", out, "--style", style, "--thumb", "100x100",
                          "--large", large, "--quality", "75", "--quiet", "--no-bg-image"])
        today = median([publish_with(plain) for _ in range(runs)])
        designed = len([n for n in os.listdir(out) if n.endswith((".jpg", ".gif", ".webp"))])
        variants = median([publish_with(classic) for _ in range(runs)])
        if webp_quality is None:
            marks = subprocess.run(["grep", "-a", "-o", "webp quality=[0-9]*", "-r", out, "-h", "-m1"],
                                   capture_output=True, text=True).stdout.split()
            webp_quality = int(marks[1].split("=")[1]) if len(marks) > 1 else 75
        made = len([n for n in os.listdir(out) if n.endswith((".jpg", ".gif", ".webp"))])
        if made <= designed:
            sys.exit(f"{classic} asks for no variants: {made} picture files, as many as the anchor's")
        sharp_out = os.path.join(work, "sharp")
        jobs_file = os.path.join(work, "jobs.json")
        with open(jobs_file, "w") as f:
            json.dump(sharp_jobs(out, corpus, webp_quality, sharp_out), f)

        def sharp_run():
            shutil.rmtree(sharp_out, ignore_errors=True)
            os.makedirs(sharp_out)
            return timed(["node", os.path.join(HERE, "sharp_outputs.js"), jobs_file, str(workers)])
        with_sharp = median([sharp_run() for _ in range(runs)])
        sharp_made = len(os.listdir(sharp_out))
        print(f"\n--large {large}: {made} picture files ({designed} without variants); "
              f"load now: {os.getloadavg()[0]:.2f}")
        print(f"{'':44} {'seconds':>8} {'ratio':>7} {'cpu s':>8} {'ratio':>7}")

        def row(name, pair, anchor, note=""):
            print(f"{name:44} {pair[0]:8.2f} {pair[0] / anchor[0]:6.2f}x {pair[1]:8.2f} {pair[1] / anchor[1]:6.2f}x"
                  f"{note}")
        row("today (thumbnail and large picture only)", today, today)
        row("with variants", variants, today, "   (target at most 1.60x)")
        row("sharp, the same " + str(sharp_made) + " files", with_sharp, today)
        row("variants against sharp", variants, with_sharp, "   (target below 1.00x)")
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
