#!/usr/bin/env python3
"""Memory benchmark: peak resident memory of the conversion of pictures whose headers claim far
more pixels than their files hold. Each crafted picture is a progressive JPEG of about 1 KB whose
frame header says 29000 x 6800: libjpeg then holds every DCT coefficient of that size (about 600
MB) however small the picture is decoded. A folder of 16 of them and 8 ordinary photographs is
converted on 2 and on 16 workers under the process's memory budget.

The anchor is libvips' own vipsthumbnail on one crafted picture: the cost of one such picture,
alone. Prints each run's peak resident memory, its ratio to the anchor, and the peak of the
budget's reservations. Target: under 1 GB on any number of workers.

    run.py BUILD_DIR [CRAFTED_COPIES]
"""
import os
import shutil
import subprocess
import sys
import tempfile


def peak_mb(command):
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, capture_output=True, text=True)
    if result.returncode != 0:
        raise SystemExit(f"failed: {' '.join(command)}\n{result.stderr}")
    return int(result.stderr.strip().splitlines()[-1]) / 1024, result.stdout.strip()


def crafted_jpeg(folder):
    """A small progressive JPEG with its frame header patched to claim 29000 x 6800."""
    small = os.path.join(folder, "small.jpg")
    subprocess.run(["vips", "gaussnoise", os.path.join(folder, "noise.v"), "48", "48"], check=True)
    subprocess.run(["vips", "colourspace", os.path.join(folder, "noise.v"), os.path.join(folder, "rgb.v"),
                    "srgb"], check=True)
    subprocess.run(["vips", "copy", os.path.join(folder, "rgb.v"), small + "[interlace,Q=75,strip]"], check=True)
    data = bytearray(open(small, "rb").read())
    at = 2
    while at + 9 < len(data):
        marker, length = data[at + 1], data[at + 2] << 8 | data[at + 3]
        if marker in (0xC0, 0xC1, 0xC2):
            data[at + 5:at + 7] = (6800).to_bytes(2, "big")
            data[at + 7:at + 9] = (29000).to_bytes(2, "big")
            return bytes(data)
        at += 2 + length
    raise SystemExit("no frame header in the JPEG libvips wrote")


def main():
    build = sys.argv[1]
    copies = int(sys.argv[2]) if len(sys.argv) > 2 else 16
    program = os.path.join(build, "bin", "conversion_memory")
    work = tempfile.mkdtemp(prefix="galvane-memory-bench-")
    try:
        source = os.path.join(work, "src")
        os.makedirs(source)
        crafted = crafted_jpeg(work)
        for i in range(copies):
            with open(os.path.join(source, f"crafted{i:02}.jpg"), "wb") as f:
                f.write(crafted)
        for i in range(8):
            subprocess.run(["vips", "gaussnoise", os.path.join(work, "photo.v"), "3000", "2000"], check=True)
            subprocess.run(["vips", "copy", os.path.join(work, "photo.v"),
                            os.path.join(source, f"photo{i}.jpg[Q=85]")], check=True)
        print(f"crafted picture: {len(crafted)} bytes claiming 29000 x 6800; {copies} copies and 8 photographs")

        anchor, _ = peak_mb(["vipsthumbnail", os.path.join(source, "crafted00.jpg"), "-s", "640x480",
                             "-o", os.path.join(work, "anchor.jpg")])
        print(f"anchor  vipsthumbnail, one crafted picture alone: peak {anchor:.0f} MB")
        for workers in (2, 16):
            dest = os.path.join(work, f"out{workers}")
            os.makedirs(dest)
            peak, line = peak_mb([program, "--source", source, "--dest", dest, "--workers", str(workers)])
            print(f"galvane conversion, {workers:2} workers: peak {peak:.0f} MB, {peak / anchor:.2f}x the anchor"
                  f" ({'under' if peak < 1024 else 'OVER'} 1 GB)\n    {line}")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
