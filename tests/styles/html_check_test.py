#!/usr/bin/env python3
"""Publishes a gallery with each bundled style and runs the Nu Html Checker over every page it
wrote; any error fails. Galleries of one picture and of the sample set cover every page role, one
of pictures with awkward names the escaping of names, and one of albums (--albums) the album
tiles, the path from the top (three levels down) and the way up; the sample set at 1024x768 the
WebP lists that a JPEG file tops, and the sizes of its 4:3 and its upright picture (Beach and
Forest), which give the width a picture is drawn at from its own size; the sample set at camera size
those of an upright picture whose WebP list the large picture itself tops.

    html_check_test.py GALVANE_PUBLISH MAKE_SAMPLE_PICTURES VNU_JAR
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

# The bundled styles by name; their pages offer sized WebP files (<picture>, srcset, sizes).
STYLES = ["Classic", "Frames", "Slides"]


def main():
    publish, make_samples, vnu = sys.argv[1:4]
    java = shutil.which("java")
    if not java or not os.path.isfile(vnu):
        raise SystemExit("java or the Nu Html Checker is missing (scripts/setup installs both)")
    with tempfile.TemporaryDirectory(prefix="galvane-html-") as work:
        photos = os.path.join(work, "photos")
        subprocess.run([make_samples, photos], check=True, stdout=subprocess.DEVNULL)
        single = os.path.join(work, "single")
        os.makedirs(single)
        shutil.copy(os.path.join(photos, "Meadow.gif"), os.path.join(single, "p01_by_the_water.gif"))
        # Names that must be escaped in the pages' text and encoded in their addresses.
        odd = os.path.join(work, "odd")
        os.makedirs(odd)
        # Commas stay in srcset addresses; a leading one is written "./,".
        for name in ('sea & sky <2>.gif', 'say "cheese" #1.gif', "it's 100%.gif", ",waves, rocks.gif"):
            shutil.copy(os.path.join(photos, "Meadow.gif"), os.path.join(odd, name))
        # Pictures with words: a hostile caption, a very long one without a blank, a title, a date.
        words = os.path.join(work, "words")
        os.makedirs(words)
        for name in ("a.gif", "b.gif", "c.gif"):
            shutil.copy(os.path.join(photos, "Meadow.gif"), os.path.join(words, name))
        with open(os.path.join(words, "a.gif.txt"), "w", encoding="utf-8") as caption:
            caption.write("<script>alert('x')</script> & \"quotes\" LINKTOBACKPAGE PICTURE")
        with open(os.path.join(words, "b.txt"), "w", encoding="utf-8") as caption:
            caption.write("w" * 5000)
        with open(os.path.join(words, "c.xmp"), "w", encoding="utf-8") as sidecar:
            sidecar.write("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                          "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                          "xmlns:dc='http://purl.org/dc/elements/1.1/' "
                          "xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/' "
                          "photoshop:DateCreated='2021-03-04T05:06:07'><dc:title><rdf:Alt>"
                          "<rdf:li xml:lang='x-default'>A &amp; B</rdf:li></rdf:Alt></dc:title>"
                          "</rdf:Description></rdf:RDF></x:xmpmeta>")
        tree = os.path.join(work, "tree")
        for folder in ("", "Year & \"more\" #1 100%", "Year & \"more\" #1 100%/Day <1>",
                       "Year & \"more\" #1 100%/Day <1>/\u00c9vening 'late'", "Only albums/Inner"):
            os.makedirs(os.path.join(tree, folder), exist_ok=True)
            if folder != "Only albums":
                shutil.copy(os.path.join(photos, "Meadow.gif"), os.path.join(tree, folder, "p.gif"))
        pages = []
        for style in STYLES:
            dest = os.path.join(work, os.path.basename(style).lstrip("#") + "-albums")
            subprocess.run([publish, "--source", tree, "--dest", dest, "--style", style, "--albums",
                            "--large", "320x240", "--title", "Summer & sea", "--quiet"],
                           check=True, stdout=subprocess.DEVNULL)
            pages += sorted(glob.glob(os.path.join(dest, "**", "*.htm"), recursive=True))
            for source, name in ((photos, "many"), (single, "one"), (odd, "odd"), (words, "words")):
                dest = os.path.join(work, os.path.basename(style).lstrip("#") + "-" + name)
                subprocess.run([publish, "--source", source, "--dest", dest, "--style", style,
                                "--large", "320x240", "--title", "Summer & sea", "--name", "By the water",
                                "--commentary", "Walks by the water.", "--quiet"],
                               check=True, stdout=subprocess.DEVNULL)
                written = sorted(glob.glob(os.path.join(dest, "*.htm")))
                if not written:
                    raise SystemExit(f"{style}: no pages written")
                pages += written
            # At a desktop limit the file at twice the limit is a JPEG on top of each WebP list.
            dest = os.path.join(work, os.path.basename(style).lstrip("#") + "-desktop")
            subprocess.run([publish, "--source", photos, "--dest", dest, "--style", style,
                            "--large", "1024x768", "--quiet"], check=True, stdout=subprocess.DEVNULL)
            written = sorted(glob.glob(os.path.join(dest, "*.htm")))
            if not any(re.search(r'<source type="image/webp" srcset="[^"]*-2048w\.jpg 2048w"',
                                 open(page, encoding="utf-8").read()) for page in written):
                raise SystemExit(f"{style}: no WebP list topped by the JPEG at twice 1024x768")
            pages += written
            # The large picture's size in the <img> and in the sizes, for a 4:3 and an upright one.
            for name, width, height in (("Beach", 1024, 768), ("Forest", 576, 768)):
                page = next(open(page, encoding="utf-8").read() for page in written
                            if f'src="{name}.jpg"' in open(page, encoding="utf-8").read())
                if (f'width="{width}" height="{height}"' not in page
                        or f"* {width} / {height})" not in page or "PICTURE" in page):
                    raise SystemExit(f"{style}: {name}'s page does not give its size {width}x{height}")
            dest = os.path.join(work, os.path.basename(style).lstrip("#") + "-camera")
            subprocess.run([publish, "--source", photos, "--dest", dest, "--style", style,
                            "--large", "0x0", "--quiet"], check=True, stdout=subprocess.DEVNULL)
            pages += sorted(glob.glob(os.path.join(dest, "*.htm")))
        result = subprocess.run([java, "-jar", vnu, "--errors-only", "--format", "gnu", *pages],
                                capture_output=True, text=True)
        report = (result.stdout + result.stderr).strip()
        if report:
            print(report.replace(work + "/", ""))
        print(f"{len(pages)} pages checked, {'errors found' if result.returncode else 'no error'}")
        return 1 if result.returncode or report else 0


if __name__ == "__main__":
    sys.exit(main())
