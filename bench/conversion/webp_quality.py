#!/usr/bin/python3
"""Measures the WebP quality that looks as good as JPEG at each quality, as the variants use it.

For each photograph of the corpus, a 1280-pixel-wide rendition is the reference (lossless PNG);
it is written as JPEG (libvips' jpegsave, as Vimbral writes it: stripped, optimised tables) at
each JPEG quality and as WebP (libvips' webpsave, stripped) at qualities 30..100. The likeness to
the reference is SSIM on luma (BT.601) with 8x8 windows, averaged over the corpus; the WebP
quality for a JPEG quality is the lowest whose mean SSIM reaches the JPEG's. EFFORT is libwebp's
effort (0-6) for the WebP files: Vimbral writes them at 1; libvips' default is 4.

    webp_quality.py CORPUS_DIR [COUNT [EFFORT]]   (Debian's python3 with python3-numpy, python3-pil)
"""
import glob
import os
import subprocess
import sys
import tempfile

import numpy
from PIL import Image

JPEG_QUALITIES = [50, 60, 70, 75, 80, 85, 90, 95]
WEBP_QUALITIES = list(range(30, 101, 2))


def luma(path):
    rgb = numpy.asarray(Image.open(path).convert("RGB"), dtype=numpy.float64)
    return 0.299 * rgb[..., 0] + 0.587 * rgb[..., 1] + 0.114 * rgb[..., 2]


def window_means(a, size=8):
    height, width = (a.shape[0] // size) * size, (a.shape[1] // size) * size
    blocks = a[:height, :width].reshape(height // size, size, width // size, size)
    return blocks.mean(axis=(1, 3))


def ssim(x, y):
    c1, c2 = (0.01 * 255) ** 2, (0.03 * 255) ** 2
    mx, my = window_means(x), window_means(y)
    vx = window_means(x * x) - mx * mx
    vy = window_means(y * y) - my * my
    cxy = window_means(x * y) - mx * my
    index = ((2 * mx * my + c1) * (2 * cxy + c2)) / ((mx * mx + my * my + c1) * (vx + vy + c2))
    return float(index.mean())


def encode(reference, target):
    subprocess.run(["vips", "copy", reference, target], check=True)
    return os.path.getsize(target.split("[")[0])


def main():
    corpus = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 12
    effort = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    photos = sorted(glob.glob(os.path.join(corpus, "*.jpg")))[:count]
    jpeg = {q: [0.0, 0] for q in JPEG_QUALITIES}
    webp = {q: [0.0, 0] for q in WEBP_QUALITIES}
    with tempfile.TemporaryDirectory() as work:
        for photo in photos:
            reference = os.path.join(work, "reference.png")
            subprocess.run(["vips", "thumbnail", photo, reference, "1280", "--size", "down"], check=True)
            original = luma(reference)
            for q in JPEG_QUALITIES:
                out = os.path.join(work, "a.jpg")
                size = encode(reference, out + "[Q=%d,strip,optimize_coding]" % q)
                jpeg[q][0] += ssim(original, luma(out)) / len(photos)
                jpeg[q][1] += size
            for q in WEBP_QUALITIES:
                out = os.path.join(work, "a.webp")
                size = encode(reference, out + "[Q=%d,strip,effort=%d]" % (q, effort))
                webp[q][0] += ssim(original, luma(out)) / len(photos)
                webp[q][1] += size
    print("%d photographs at 1280 px wide, WebP effort %d; SSIM on luma, 8x8 windows" % (len(photos), effort))
    print("jpeg-q  ssim     bytes      webp-q  ssim     bytes      webp/jpeg bytes")
    for q in JPEG_QUALITIES:
        match = next((w for w in WEBP_QUALITIES if webp[w][0] >= jpeg[q][0]), WEBP_QUALITIES[-1])
        print("%6d  %.5f  %9d  %6d  %.5f  %9d  %.2f" % (q, jpeg[q][0], jpeg[q][1], match, webp[match][0],
                                                       webp[match][1], webp[match][1] / jpeg[q][1]))


if __name__ == "__main__":
    main()
