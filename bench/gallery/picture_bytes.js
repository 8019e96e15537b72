#!/usr/bin/env node
/* Which picture file each bundled style shows, and what one picture page costs a phone.

       bench/gallery/picture_bytes.js GALVANE_PUBLISH [PHOTOS] [--only STYLE] [--keep DIR]

Publishes PHOTOS (default /tmp/galvane-corpus) with each bundled style twice, as the style is
("after") and with its <picture>/<source> markup taken out ("before": the style asking for no
sized or WebP files, which publishes exactly the designed thumbnail and large picture), with the
large pictures at camera size (0x0) and at 1024x768. Serves them on 127.0.0.1 (pages, style sheets
and scripts gzip-compressed, as Debian's Apache and nginx serve them) and drives chromium:
  - on a phone (390x844 at ratio 3), a laptop (1366x768 at 1) and a wide screen (2560x1440 at 2):
    the file shown on picture page 2 and in its full view, and its image pixels per CSS pixel
    (wanted: min(ratio, 2), or the file at the source's full size);
  - on the phone, the bytes downloaded to show picture page 2 with everything the style fetches
    ahead (the neighbouring pages and their pictures), before and after, and their ratio.
Needs `scripts/setup --bench` (puppeteer-core comes with Lighthouse in bench/gallery).     */
"use strict";
const childProcess = require("child_process");
const fs = require("fs");
const http = require("http");
const os = require("os");
const path = require("path");
const zlib = require("zlib");
const puppeteer = require(path.join(__dirname, "node_modules", "puppeteer-core"));
const { chosenFiles } = require(path.join(__dirname, "..", "..", "tests", "styles", "picture_choice"));

const STYLES = path.join(__dirname, "..", "..", "styles");
const SCREENS = {
    phone: { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
    laptop: { width: 1366, height: 768, deviceScaleFactor: 1 },
    wide: { width: 2560, height: 1440, deviceScaleFactor: 2 }
};
const LIMITS = { camera: "0x0", "1024x768": "1024x768" };
const PAGE = { Classic: "imagepage2.htm", Frames: "imagepage2.htm", Slides: "largepage2.htm" };
// What the phone may download after, against before.
const TARGETS = { camera: 1 / 3, "1024x768": 0.7 };
const CHROMIUM_FLAGS = ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync"];
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// The style as it asks for no variants: its pages without the <picture> and <source> around <img>.
function styleAskingForNothing(name, dir) {
    const plain = path.join(dir, "###" + name);
    fs.cpSync(path.join(STYLES, "###" + name), plain, { recursive: true });
    for (const file of fs.readdirSync(plain).filter((n) => n.endsWith(".htm"))) {
        const full = path.join(plain, file);
        fs.writeFileSync(full, fs.readFileSync(full, "utf8").replace(/<picture><source[^>]*>|<\/picture>/g, ""));
    }
    return plain;
}

function publish(program, photos, dest, style, large) {
    const started = Date.now();
    childProcess.execFileSync(program, ["--source", photos, "--dest", dest, "--style", style, "--large", large,
        "--title", "Summer", "--name", "By the water", "--quiet"], { stdio: "ignore" });
    return (Date.now() - started) / 1000;
}

function serve(root) {
    const types = { ".htm": "text/html", ".css": "text/css", ".js": "text/javascript", ".jpg": "image/jpeg",
        ".gif": "image/gif", ".svg": "image/svg+xml", ".webp": "image/webp" };
    const server = http.createServer((request, response) => {
        const file = path.join(root, decodeURIComponent(new URL(request.url, "http://x").pathname));
        fs.readFile(file, (error, data) => {
            if (error) {
                response.writeHead(404);
                response.end();
                return;
            }
            const type = types[path.extname(file)] || "application/octet-stream";
            const text = /^text\/|svg/.test(type);
            response.writeHead(200, { "Content-Type": type, ...(text ? { "Content-Encoding": "gzip" } : {}) });
            response.end(text ? zlib.gzipSync(data) : data);
        });
    });
    return new Promise((done) => server.listen(0, "127.0.0.1", () => done(server)));
}

// The file shown on a picture page and in its full view, on a fresh tab of this screen's size.
async function shown(browser, url, viewport) {
    const page = await browser.newPage();
    await page.setViewport(viewport);
    const got = await chosenFiles(page, url, 40, 250);
    await page.close();
    return got;
}

// Bytes on the wire for one picture page on the phone, with what the style fetches ahead.
async function phoneBytes(browser, url) {
    const page = await browser.newPage();
    await page.setViewport(SCREENS.phone);
    const client = await page.target().createCDPSession();
    await client.send("Network.enable");
    await client.send("Network.setCacheDisabled", { cacheDisabled: true });
    const files = new Map();
    let bytes = 0;
    let last = Date.now();
    client.on("Network.requestWillBeSent", (event) => {
        files.set(event.requestId, decodeURIComponent(event.request.url.replace(/^.*\//, "")));
        last = Date.now();
    });
    client.on("Network.loadingFinished", (event) => {
        bytes += event.encodedDataLength;
        last = Date.now();
    });
    await page.goto(url, { waitUntil: "load" });
    while (Date.now() - last < 2000) await sleep(200);
    await page.close();
    return { bytes, files: [...files.values()].filter((n) => /\.(jpg|webp|gif)$/.test(n) && !/^background|^empty/.test(n)) };
}

async function main() {
    const args = process.argv.slice(2);
    const option = (name) => {
        const at = args.indexOf(name);
        return at < 0 ? null : args.splice(at, 2)[1];
    };
    const only = option("--only");
    const keep = option("--keep");
    const [program, photos = "/tmp/galvane-corpus"] = args;
    if (!program) throw new Error("usage: picture_bytes.js GALVANE_PUBLISH [PHOTOS] [--only STYLE] [--keep DIR]");
    const work = keep || fs.mkdtempSync(path.join(os.tmpdir(), "galvane-picture-bytes-"));
    fs.mkdirSync(work, { recursive: true });
    const styles = Object.keys(PAGE).filter((s) => !only || s === only);
    for (const [limit, large] of Object.entries(LIMITS)) {
        for (const style of styles) {
            for (const [when, folder] of [["before", styleAskingForNothing(style, path.join(work, "styles-before"))],
                ["after", path.join(STYLES, "###" + style)]]) {
                const dest = path.join(work, limit, `${style}-${when}`);
                fs.mkdirSync(path.dirname(dest), { recursive: true });
                console.log(`publish: ${style} ${when} --large ${large}: ${publish(program, photos, dest, folder, large).toFixed(1)} s`);
            }
        }
    }

    const server = await serve(work);
    const root = `http://127.0.0.1:${server.address().port}/`;
    const browser = await puppeteer.launch({ executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
        headless: true, args: CHROMIUM_FLAGS, userDataDir: path.join(work, "profile") });
    const misses = [];
    try {
        console.log("\nlarge     style    screen  page: file (px wide, image px per CSS px)   full view: file (px wide, per CSS px)");
        for (const limit of Object.keys(LIMITS)) {
            for (const style of styles) {
                for (const [screen, viewport] of Object.entries(SCREENS)) {
                    const got = await shown(browser, `${root}${limit}/${style}-after/${PAGE[style]}`, viewport);
                    const want = Math.min(viewport.deviceScaleFactor, 2);
                    const line = (g) => `${g.name} (${g.pixels}, ${g.perCssPixel.toFixed(2)})`;
                    console.log(`${limit.padEnd(9)} ${style.padEnd(8)} ${screen.padEnd(7)} ${line(got.onPage).padEnd(40)} ${line(got.full)}`);
                    for (const [where, g] of [["page", got.onPage], ["full view", got.full]]) {
                        // At camera size the page's own file is the source's full size.
                        if (g.perCssPixel < want - 0.02 && !(limit === "camera" && g.own)) {
                            misses.push(`${limit} ${style} ${screen} ${where}: ${g.perCssPixel.toFixed(2)} < ${want}`);
                        }
                    }
                }
            }
        }
        console.log("\nphone bytes for picture page 2 with what is fetched ahead (before -> after, ratio, target)");
        for (const limit of Object.keys(LIMITS)) {
            for (const style of styles) {
                const before = await phoneBytes(browser, `${root}${limit}/${style}-before/${PAGE[style]}`);
                const after = await phoneBytes(browser, `${root}${limit}/${style}-after/${PAGE[style]}`);
                const ratio = after.bytes / before.bytes;
                console.log(`${limit.padEnd(9)} ${style.padEnd(8)} ${before.bytes} -> ${after.bytes} bytes, ` +
                    `${ratio.toFixed(2)}x (target ${TARGETS[limit].toFixed(2)}x)${ratio <= TARGETS[limit] ? "" : " MISSED"}\n` +
                    `          before: ${before.files.join(" ")}\n          after:  ${after.files.join(" ")}`);
                if (ratio > TARGETS[limit]) misses.push(`${limit} ${style} phone bytes ${ratio.toFixed(2)}x`);
            }
        }
    } finally {
        await browser.close();
        server.close();
        if (!keep) fs.rmSync(work, { recursive: true, force: true });
    }
    console.log(misses.length ? "\nmissed:\n  " + misses.join("\n  ") : "\nevery target met");
}

main().catch((error) => {
    console.log("FAIL", error.stack);
    process.exit(1);
});
