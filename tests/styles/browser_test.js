#!/usr/bin/env node
/* Publishes a gallery with each bundled style, serves it on 127.0.0.1 and drives Debian's
   chromium over the DevTools protocol, on a phone and on a desktop viewport: keys, swipes, the
   full view, the Frames address, lazy loading, reserved room (layout shift), words, captions under
   the picture and in the full view, and that every picture of each page visited loads; a gallery
   of 200 albums and a 5-level tree on a phone; on a phone, a laptop and a wide screen, which file
   each style's <picture> makes the browser pick on a picture page and in the full view, that the
   files fetched ahead are the ones the next page shows, that names holding commas are asked for
   under one spelling and found, and the bytes a phone downloads for one
   of Classic's picture pages before (the style without its <picture> markup) and after. One
   browser for the whole program.
   GALVANE_PHONE_BYTES_PHOTOS=DIR measures those bytes on the photos of DIR instead of the samples.

       browser_test.js GALVANE_PUBLISH MAKE_SAMPLE_PICTURES                                   */
"use strict";
const childProcess = require("child_process");
const fs = require("fs");
const http = require("http");
const os = require("os");
const path = require("path");
const puppeteer = require("puppeteer-core");
const { chosenFiles } = require("./picture_choice");

const VIEWPORTS = {
    phone: { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
    desktop: { width: 1366, height: 900 }
};
const CHROMIUM_FLAGS = ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync"];

let passed = 0;
const failures = [];
function check(condition, what) {
    if (condition) passed++;
    else failures.push(what);
}

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));
async function until(test, ms = 5000) {
    const deadline = Date.now() + ms;
    for (;;) {
        const value = await test().catch(() => false);
        if (value || Date.now() > deadline) return value;
        await sleep(50);
    }
}

function publish(program, source, dest, style, extra = []) {
    childProcess.execFileSync(program, ["--source", source, "--dest", dest, "--style", style, "--large", "640x480",
        "--title", "Summer", "--name", "By the water", "--commentary", "Walks by the water.", "--quiet", ...extra],
        { stdio: "ignore" });
}

function serve(root) {
    const types = { ".htm": "text/html", ".css": "text/css", ".js": "text/javascript", ".jpg": "image/jpeg",
        ".gif": "image/gif", ".svg": "image/svg+xml", ".webp": "image/webp" };
    const server = http.createServer((request, response) => {
        const file = path.join(root, decodeURIComponent(new URL(request.url, "http://x").pathname));
        fs.readFile(file, (error, data) => {
            response.writeHead(error ? 404 : 200, { "Content-Type": types[path.extname(file)] || "application/octet-stream" });
            response.end(error ? "" : data);
        });
    });
    return new Promise((done) => server.listen(0, "127.0.0.1", () => done(server)));
}

// Pictures that did not load, in a frame, after scrolling to the end so that lazy ones load too.
async function brokenPictures(frame) {
    await frame.evaluate(() => window.scrollTo(0, document.body.scrollHeight));
    await frame.evaluate(async () => {
        for (const img of Array.from(document.images).filter((img) => !img.complete)) {
            img.scrollIntoView();
            await new Promise((done) => { img.onload = img.onerror = done; setTimeout(done, 5000); });
        }
    });
    return frame.evaluate(() => Array.from(document.images).filter((img) => !img.naturalWidth).map((img) => img.src));
}

async function pageWords(page, label) {
    const words = await page.evaluate(async () => {
        const icon = document.querySelector('link[rel="icon"]');
        const iconOk = icon ? (await fetch(icon.href)).ok : false;
        const description = document.querySelector('meta[name="description"]');
        return { title: document.title, h1: document.querySelectorAll("h1").length, iconOk,
            description: description ? description.content : "",
            alts: Array.from(document.images).map((img) => img.alt) };
    });
    check(words.h1 === 1, `${label}: one h1, found ${words.h1}`);
    check(words.iconOk, `${label}: the favicon loads`);
    check(words.description.trim() !== "", `${label}: a meta description`);
    check(words.alts.every((alt) => !/^thn_|\.(jpe?g|gif)$/i.test(alt)), `${label}: readable alt texts ${words.alts}`);
    return words;
}

async function visit(page, url, label) {
    await page.goto(url, { waitUntil: "networkidle0" });
    const shift = await page.evaluate(() => new Promise((done) => {
        let total = 0;
        new PerformanceObserver((list) => {
            for (const entry of list.getEntries()) if (!entry.hadRecentInput) total += entry.value;
        }).observe({ type: "layout-shift", buffered: true });
        setTimeout(() => done(total), 300);
    }));
    check(shift < 0.1, `${label}: layout shift ${shift.toFixed(3)}`);
    for (const frame of page.frames()) {
        const broken = await brokenPictures(frame);
        check(broken.length === 0, `${label}: pictures did not load in ${frame.url()}: ${broken}`);
    }
}

async function pressAndWait(page, key, label, expected) {
    await Promise.all([page.waitForNavigation({ waitUntil: "load" }).catch(() => null), page.keyboard.press(key)]);
    check(page.url().endsWith(expected), `${label}: ${key} leads to ${expected}, got ${page.url()}`);
}

// Runs an action that should lead to a page whose address ends so; false when it does not.
async function leadsTo(page, action, ending) {
    await action();
    const arrived = await until(async () => page.url().endsWith(ending), 10000);
    await page.waitForFunction(() => document.readyState === "complete", { timeout: 10000 }).catch(() => null);
    return arrived;
}

async function swipe(page, fromX, toX) {
    const session = await page.createCDPSession();
    const y = 400;
    // As a finger moves: a move every frame for about a fifth of a second.
    await session.send("Input.dispatchTouchEvent", { type: "touchStart", touchPoints: [{ x: fromX, y }] });
    for (let step = 1; step <= 12; step++) {
        await sleep(16);
        const x = fromX + ((toX - fromX) * step) / 12;
        await session.send("Input.dispatchTouchEvent", { type: "touchMove", touchPoints: [{ x, y }] });
    }
    await session.send("Input.dispatchTouchEvent", { type: "touchEnd", touchPoints: [] });
    await session.detach();
}

const dialogState = (frame) => frame.evaluate(() => {
    const view = document.querySelector("dialog.full-view");
    return { open: !!(view && view.open), focusInside: !!(view && view.contains(document.activeElement)),
        focus: document.activeElement ? document.activeElement.className : "",
        src: view ? view.querySelector("img").src : "" };
});

// Clicking the picture opens it over the window, the focus stays in it, Escape and a tap close it.
async function fullView(page, label) {
    await page.click(".zoom");
    let state = await dialogState(page);
    check(state.open && state.focusInside, `${label}: the full view opens and holds the focus`);
    await page.keyboard.press("Escape");
    state = await dialogState(page);
    check(!state.open && state.focus === "zoom", `${label}: Escape closes the full view and gives the focus back`);
    await page.click(".zoom");
    await page.click("dialog.full-view img");
    state = await dialogState(page);
    check(!state.open, `${label}: a tap closes the full view`);
}

async function picturePages(page, base, label, prefix, up, count) {
    const requests = new Set();
    const events = [];
    const record = (request) => {
        requests.add(request.url().replace(base, ""));
        events.push("asked " + request.url().replace(base, ""));
    };
    const arrived = (request) => events.push("in " + request.url().replace(base, ""));
    page.on("request", record);
    page.on("requestfinished", arrived);
    await visit(page, `${base}${prefix}2.htm`, `${label} ${prefix}2`);
    const words = await pageWords(page, `${label} ${prefix}2`);
    check(/2 of \d+/.test(words.title) && words.title.includes("Summer"), `${label}: the title says where: ${words.title}`);
    await until(async () => requests.has(`${prefix}3.htm`) && requests.has(`${prefix}1.htm`));
    const ahead = [...requests].filter((url) => /\.(jpg|gif|webp)$/.test(url));
    check(requests.has(`${prefix}3.htm`) && ahead.length >= 3, `${label}: neighbours fetched ahead: ${[...requests]}`);
    // The next picture is in before the one before is asked for: an early swipe to the next one
    // does not share the link with it.
    const next = events.indexOf(`asked ${prefix}3.htm`);
    const before = events.indexOf(`asked ${prefix}1.htm`);
    const nextPicture = next < 0 ? undefined : events.slice(next).find((event) => /^asked .*\.(jpg|gif|webp)$/.test(event));
    // Judged on the page's own clock: the devtools events of the picture's end and of the next
    // request may come in either order when one follows the other at once.
    const [nextEnd, beforeStart] = await page.evaluate((nextUrl, beforeUrl) => {
        const entry = (url) => performance.getEntriesByType("resource").find((e) => e.name.endsWith(url));
        const picture = entry(nextUrl);
        const page = entry(beforeUrl);
        return [picture ? picture.responseEnd : null, page ? page.startTime : null];
    }, nextPicture ? nextPicture.replace("asked ", "") : "-", `${prefix}1.htm`);
    check(next >= 0 && before >= 0 && nextEnd !== null && beforeStart !== null && nextEnd <= beforeStart,
        `${label}: the next picture is fetched ahead before the one before (${nextEnd} <= ${beforeStart}): ${events}`);
    page.off("request", record);
    page.off("requestfinished", arrived);
    if (prefix !== "smallpage") await fullView(page, label);
    await pressAndWait(page, "ArrowRight", label, `${prefix}3.htm`);
    await pressAndWait(page, "ArrowLeft", label, `${prefix}2.htm`);
    await pressAndWait(page, "End", label, `${prefix}${count}.htm`);
    await pressAndWait(page, "Home", label, `${prefix}1.htm`);
    await pressAndWait(page, "ArrowUp", label, up);
    if (VIEWPORTS[label.split(" ")[1]].hasTouch) {
        // Settled first: the neighbours this page fetches ahead are in.
        await page.goto(`${base}${prefix}2.htm`, { waitUntil: "networkidle0" });
        check(await leadsTo(page, () => swipe(page, 320, 60), `${prefix}3.htm`),
            `${label}: a swipe to the left shows the next picture, got ${page.url()}`);
        check(await leadsTo(page, () => swipe(page, 60, 320), `${prefix}2.htm`),
            `${label}: a swipe to the right shows the previous picture, got ${page.url()}`);
    }
}

async function classic(page, base, label) {
    await visit(page, base + "main.htm", label + " start");
    await pageWords(page, label + " start");
    await visit(page, base + "indexpage2.htm", label + " index");
    await pageWords(page, label + " index");
    const index = await page.evaluate(() => ({
        lazy: Array.from(document.querySelectorAll(".mounts img")).map((img) => img.loading),
        thumbs: Array.from(document.querySelectorAll(".mounts img")).slice(0, 4).map((img) => img.currentSrc),
        pager: Array.from(document.querySelectorAll(".pager a")).map((a) => a.textContent + (a.getAttribute("aria-current") ? "*" : ""))
    }));
    check(index.lazy.slice(0, 4).every((l) => l !== "lazy") && index.lazy.slice(4).every((l) => l === "lazy"),
        `${label}: the first row loads at once, the others lazily: ${index.lazy}`);
    check(index.pager.join(" ") === "1 2* 3", `${label}: the page chooser: ${index.pager}`);
    // A 1x screen takes the JPEG thumbnail itself (a WebP file that small is no lighter), a denser
    // one the WebP file at twice the box.
    const dense = (VIEWPORTS[label.split(" ")[1]].deviceScaleFactor || 1) > 1;
    check(index.thumbs.length === 4 && index.thumbs.every((src) => dense ? /\/thn_[^/]*@2x\.webp$/.test(src) : /\/thn_[^/@]*\.jpg$/.test(src)),
        `${label}: thumbnails ${index.thumbs}`);
    await pressAndWait(page, "End", label, "indexpage3.htm");
    await picturePages(page, base, label, "imagepage", "indexpage1.htm", 30);
    // The index link leads to the index page that shows the picture.
    await page.goto(base + "imagepage14.htm", { waitUntil: "load" });
    await pressAndWait(page, "ArrowUp", label, "indexpage2.htm");
}

async function frames(page, base, label) {
    const display = () => page.frames().find((frame) => frame.name() === "display");
    const list = () => page.frames().find((frame) => frame.url().endsWith("listpage.htm"));
    const current = () => list().evaluate(() =>
        Array.from(document.querySelectorAll(".thumbs a")).findIndex((a) => a.getAttribute("aria-current")) + 1);
    const showing = async (n) => until(async () => display().url().endsWith(`imagepage${n}.htm`) &&
        page.url().endsWith(`main.htm#${n}`) && (await current()) === n);

    await visit(page, base + "main.htm#3", label + " #3");
    await pageWords(page, label + " frame");
    check(await showing(3), `${label}: main.htm#3 shows picture 3 and marks its thumbnail`);
    check((await page.title()).includes("3 of 8"), `${label}: the title follows the picture`);
    const status = await page.evaluate(() => document.querySelector(".pane-status .where").textContent);
    check(status === "Picture 3 of 8: Harbour", `${label}: the status line says where: ${status}`);
    const lazy = await list().evaluate(() => Array.from(document.images).every((img) => img.loading === "lazy"));
    check(lazy, `${label}: the thumbnails load lazily`);
    await page.keyboard.press("ArrowRight");
    check(await showing(4), `${label}: ArrowRight works at once and the address follows (${page.url()})`);
    await page.keyboard.press("End");
    check(await showing(8), `${label}: End shows the last picture`);
    await page.evaluate(() => history.back());
    check(await showing(4), `${label}: Back shows the picture before (${page.url()})`);
    await page.evaluate(() => history.forward());
    check(await showing(8), `${label}: Forward shows it again (${page.url()})`);
    await page.keyboard.press("Home");
    check(await showing(1), `${label}: Home shows the first picture`);

    await display().click(".zoom");
    let state = await until(async () => {
        const now = await dialogState(page);
        return now.open && now.focusInside ? now : null;
    });
    // The full view shows the file the browser picks from the picture's srcset.
    check(state && /\/Beach(-\d+w\.webp|\.jpg)$/.test(state.src), `${label}: the full view covers the window: ${state && state.src}`);
    await page.keyboard.press("ArrowRight");
    check(await until(async () => /\/Forest(-\d+w\.webp|\.jpg)$/.test((await dialogState(page)).src)) && await showing(2),
        `${label}: ArrowRight in the full view shows the next picture`);
    await page.keyboard.press("Escape");
    state = await dialogState(page);
    check(!state.open, `${label}: Escape closes the full view`);
    await page.keyboard.press("ArrowUp");
    check(await until(() => list().evaluate(() => document.activeElement.getAttribute("aria-current") === "true")),
        `${label}: ArrowUp goes to the current thumbnail`);

    await visit(page, base + "imagepage2.htm", label + " alone");
    await pageWords(page, label + " alone");
    const whole = await page.evaluate(() => document.querySelector(".whole").getAttribute("href"));
    check(whole === "main.htm#2", `${label}: a picture page alone links to the gallery at its picture: ${whole}`);
    await pressAndWait(page, "ArrowRight", label, "imagepage3.htm");
    await pressAndWait(page, "Escape", label, "main.htm#3");
}

async function slides(page, base, label) {
    await visit(page, base + "main.htm", label + " start");
    await pageWords(page, label + " start");
    await leadsTo(page, () => page.click('a[href="listpage.htm"]'), "listpage.htm");
    await visit(page, page.url(), label + " overview");
    await pageWords(page, label + " overview");
    const links = await page.evaluate(() => Array.from(document.querySelectorAll(".sheet a")).map((a) => a.getAttribute("href")));
    check(links.length === 8 && links.every((href, i) => href === `imagepage${i + 1}.htm`), `${label}: overview links ${links}`);
    const stubs = [];
    const record = (request) => stubs.push(request.url());
    page.on("request", record);
    const opened = await leadsTo(page, () => page.click(".sheet a:nth-child(5)"), "largepage5.htm");
    page.off("request", record);
    check(opened && !stubs.some((url) => url.includes("imagepage")),
        `${label}: an overview thumbnail opens its picture at once: ${stubs}`);
    await picturePages(page, base, label, "largepage", "listpage.htm", 8);
    await picturePages(page, base, label, "smallpage", "listpage.htm", 8);
}

// With scripts off the links are the navigation, and the overview's stubs lead on by themselves.
async function withoutScripts(browser, bases) {
    const page = await browser.newPage();
    await page.setJavaScriptEnabled(false);
    for (const [base, prefix] of [[bases.Classic, "imagepage"], [bases.Frames, "imagepage"], [bases.Slides, "largepage"]]) {
        await page.goto(`${base}${prefix}2.htm`, { waitUntil: "load" });
        await Promise.all([page.waitForNavigation(), page.click('a[rel="next"]')]);
        check(page.url().endsWith(`${prefix}3.htm`), `scripts off: the Next link of ${base}`);
    }
    for (let n = 1; n <= 8; n++) {
        await page.goto(`${bases.Slides}imagepage${n}.htm`, { waitUntil: "load" });
        await until(async () => page.url().endsWith(`largepage${n}.htm`));
        check(page.url().endsWith(`largepage${n}.htm`), `scripts off: Slides' imagepage${n}.htm leads to largepage${n}.htm`);
    }
    await page.close();
}

// Dark pages for a visitor who asks for them, unless the gallery has colours of its own.
async function darkMode(browser, root) {
    const page = await browser.newPage();
    await page.emulateMediaFeatures([{ name: "prefers-color-scheme", value: "dark" }]);
    const look = async (url) => {
        await page.goto(url, { waitUntil: "load" });
        return page.evaluate(() => {
            const style = getComputedStyle(document.body);
            return style.backgroundColor + " " + style.backgroundImage;
        });
    };
    for (const [style, page1] of [["Classic", "imagepage1.htm"], ["Frames", "firstpage.htm"], ["Slides", "largepage1.htm"]]) {
        const plain = await look(`${root}${style}/${page1}`);
        check(/^rgb\((\d\d?), (\d\d?), (\d\d?)\) none$/.test(plain), `dark: ${style} with the default colours turns dark: ${plain}`);
        const own = await look(`${root}${style}-coloured/${page1}`);
        check(own.startsWith("rgb(255, 238, 204)"), `dark: ${style} keeps the gallery's own colours: ${own}`);
    }
    await page.close();
}

// A picture's caption stands under it and in the full view, also in the Frames window, where the
// display frame hands it to the window's full view.
async function captionsShown(browser, root) {
    const caption = "Boats at dawn & the gulls <awake>";
    const page = await browser.newPage();
    await page.setViewport(VIEWPORTS.desktop);
    const inView = (frame) => frame.evaluate(() => {
        const view = document.querySelector("dialog.full-view");
        const words = view ? view.querySelector(".view-caption") : null;
        return { open: !!(view && view.open), text: words ? words.textContent : "",
            shown: !!(words && words.getBoundingClientRect().height > 0) };
    });
    for (const [style, first] of [["Classic", "imagepage1.htm"], ["Slides", "largepage1.htm"], ["Frames", "imagepage1.htm"]]) {
        await page.goto(`${root}${style}-words/${first}`, { waitUntil: "load" });
        const under = await page.evaluate(() => {
            const words = document.querySelector("figure .caption");
            return words ? words.textContent : "";
        });
        check(under === caption, `${style}: the caption stands under the picture: ${under}`);
        await page.click(".zoom");
        const state = await inView(page);
        check(state.open && state.shown && state.text === caption, `${style}: the full view shows the caption: ${JSON.stringify(state)}`);
    }
    await page.goto(`${root}Frames-words/main.htm#1`, { waitUntil: "load" });
    const display = await until(async () => page.frames().find((frame) => frame.name() === "display" &&
        frame.url().endsWith("imagepage1.htm")), 10000);
    if (display) {
        await display.waitForSelector(".zoom");
        await display.click(".zoom");
        const state = await until(async () => { const s = await inView(page); return s.open ? s : false; });
        check(state && state.shown && state.text === caption, `Frames window: the full view shows the caption: ${JSON.stringify(state)}`);
    } else {
        check(false, "Frames window: the display frame shows the first picture");
    }
    await page.close();
}

// A gallery of 200 albums and a 5-level tree on a phone: the tiles fit the screen and load as they
// come into view, the path from the top wraps (Frames: scrolls in its strip), every tile, step of the
// path and way up takes taps 48 px across, and the keys and the way up work in the deepest album.
// The folder names are long enough that the path cannot fit one line of a phone.
const DEEP = ["L1-holidays-in-the-mountains", "L2-rome-and-around", "L3-first-day-at-the-forum", "L4-morning-walk",
    "L5-cafe-on-the-terrace"];

// Album links of a frame whose tap area is smaller than 48 px: a tap 23 px off the centre, in each
// direction, must still reach the link.
function smallTargets(frame) {
    return frame.evaluate(() => Array.from(document.querySelectorAll(".trail a, .album-up, .album-tiles a")).filter((a) => {
        const box = a.getBoundingClientRect();
        if (box.top < 30 || box.bottom > innerHeight - 30) a.scrollIntoView({ block: "center", behavior: "instant" });
        const r = a.getBoundingClientRect();
        const x = r.left + r.width / 2;
        const y = r.top + r.height / 2;
        return ![[x, y - 23], [x, y + 23], [x - 23, y], [x + 23, y]].every(([px, py]) => {
            const hit = document.elementFromPoint(px, py);
            return hit && hit.closest("a") === a;
        });
    }).map((a) => a.textContent));
}

function makeAlbums(picture, folder) {
    fs.mkdirSync(folder);
    fs.copyFileSync(picture, path.join(folder, "top.gif"));
    for (let i = 1; i <= 200; i++) {
        const album = path.join(folder, `Album ${String(i).padStart(3, "0")}`);
        fs.mkdirSync(album);
        fs.copyFileSync(picture, path.join(album, "a.gif"));
    }
    let deep = folder;
    for (const level of DEEP) {
        deep = path.join(deep, level);
        fs.mkdirSync(deep);
        for (const name of ["a.gif", "b.gif", "c.gif"]) fs.copyFileSync(picture, path.join(deep, name));
    }
}

async function albumsOnPhone(browser, root) {
    const page = await browser.newPage();
    await page.setViewport(VIEWPORTS.phone);
    const fits = (frame) => frame.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth + 1);
    for (const [style, tilesPage, picture, up] of [["Classic", "main.htm", "imagepage", "main.htm"],
        ["Frames", "firstpage.htm", "imagepage", null], ["Slides", "main.htm", "largepage", "main.htm"]]) {
        const base = `${root}albums-${style}/`;
        const label = `albums ${style} phone`;
        await page.goto(base + tilesPage, { waitUntil: "networkidle0" });
        const tiles = await page.evaluate(() => ({
            count: document.querySelectorAll(".album-tiles li").length,
            lazy: Array.from(document.querySelectorAll(".album-tiles img")).filter((img) => img.loading === "lazy").length,
            first: document.querySelector(".album-tiles img").naturalWidth
        }));
        check(tiles.count === 201 && tiles.lazy === 201 && tiles.first > 0,
            `${label}: 201 album tiles, all lazy, the first cover shown: ${JSON.stringify(tiles)}`);
        check(await fits(page.mainFrame()), `${label}: the tiles fit the phone's width`);
        const columns = await page.evaluate(() => getComputedStyle(document.querySelector(".album-tiles")).gridTemplateColumns.split(" ").length);
        check(columns >= 2, `${label}: the tiles wrap in ${columns} columns`);
        const small = await smallTargets(page.mainFrame());
        check(small.length === 0, `${label}: tiles smaller than a 48 px tap: ${small.slice(0, 3)}`);
        await page.evaluate(() => document.querySelector(".album-tiles li:last-child").scrollIntoView());
        check(await until(() => page.evaluate(() => document.querySelector(".album-tiles li:last-child img").naturalWidth > 0)),
            `${label}: the last album's cover loads once it is in view`);
        const deep = `${base}${DEEP.join("/")}/`;
        if (style === "Frames") {
            await page.goto(deep + "main.htm", { waitUntil: "networkidle0" });
            const top = page.frames().find((frame) => frame.url().endsWith("toppage.htm"));
            const steps = top ? await top.evaluate(() => Array.from(document.querySelectorAll(".trail a")).map((a) => a.getAttribute("href"))) : [];
            check(steps.length === 5 && steps[4] === "../main.htm", `${label}: the strip shows the path from the top: ${steps}`);
            check(top && await fits(top), `${label}: the path keeps to its strip`);
            const name = top && await top.evaluate(() => document.querySelector(".strip h1").getBoundingClientRect().width);
            check(name > 40, `${label}: the gallery's name keeps its room beside the path: ${name} px`);
            const small = top ? await smallTargets(top) : ["no strip"];
            check(small.length === 0, `${label}: steps of the path smaller than a 48 px tap: ${small}`);
            continue;
        }
        await visit(page, `${deep}${picture}2.htm`, `${label} deepest`);
        const steps = await page.evaluate(() => Array.from(document.querySelectorAll(".trail a, .album-up")).map((a) => a.getAttribute("href")));
        check(steps.length >= 1 && steps.includes("../main.htm"), `${label}: the way up from a picture page: ${steps}`);
        check(await fits(page.mainFrame()), `${label}: the deepest album's page fits the phone's width`);
        const way = await smallTargets(page.mainFrame());
        check(way.length === 0, `${label}: the way up smaller than a 48 px tap on a picture page: ${way}`);
        await pressAndWait(page, "ArrowRight", label, `${DEEP.join("/")}/${picture}3.htm`);
        await page.goto(deep + "main.htm", { waitUntil: "load" });
        const trail = await page.evaluate(() => Array.from(document.querySelectorAll(".trail a")).map((a) => a.getAttribute("href")));
        check(trail.length === 5 && trail[0] === "../../../../../main.htm", `${label}: the path from the top: ${trail}`);
        check(await fits(page.mainFrame()), `${label}: the path fits the phone's width`);
        const rows = await page.evaluate(() => {
            const tops = new Set(Array.from(document.querySelectorAll(".trail li")).map((li) => Math.round(li.getBoundingClientRect().top)));
            const list = document.querySelector(".trail ol");
            return list.scrollWidth <= list.clientWidth + 1 ? tops.size : 0;
        });
        check(rows >= 2, `${label}: the path wraps onto ${rows} lines without being cut`);
        const steps48 = await smallTargets(page.mainFrame());
        check(steps48.length === 0, `${label}: steps of the path smaller than a 48 px tap: ${steps48}`);
        check(await leadsTo(page, () => page.click(".trail li:nth-last-child(2) a"), `${DEEP[3]}/${up}`), `${label}: the path leads up, got ${page.url()}`);
    }
    await page.close();
}

// The screens on which the file each style's srcset offers is checked.
const SCREENS = {
    phone: { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
    laptop: { width: 1366, height: 768, deviceScaleFactor: 1 },
    // The window Lighthouse's desktop runs use.
    desktop: { width: 1350, height: 940, deviceScaleFactor: 1 },
    // The window Lighthouse's phone runs use.
    lighthouse: { width: 412, height: 823, deviceScaleFactor: 1.75, isMobile: true, hasTouch: true },
    wide: { width: 2560, height: 1440, deviceScaleFactor: 2 }
};
// Each bundled style's page that shows one large picture.
const PICTURE_PAGES = { Classic: "imagepage1.htm", Frames: "imagepage1.htm", Slides: "largepage1.htm" };
// Of the sample pictures, the first is of 4:3 (Beach, 1600x1200) and the second stands upright
// (Forest, 1200x1600): in most rooms their height limits the width they are drawn at.
const SHAPED_PAGES = { "4:3": 1, portrait: 2 };

// The style without its <picture> and <source> markup: the pages and files of a style that asks
// for no variants, as the bundled styles were before they offered sized WebP files.
function plainStyle(folder, work) {
    const plain = path.join(work, "###Plain");
    fs.cpSync(folder, plain, { recursive: true });
    for (const name of fs.readdirSync(plain).filter((n) => n.endsWith(".htm"))) {
        const file = path.join(plain, name);
        fs.writeFileSync(file, fs.readFileSync(file, "utf8").replace(/<picture><source[^>]*>|<\/picture>/g, ""));
    }
    return plain;
}

async function srcsetChoices(browser, root, works) {
    for (const [large, base] of works) {
        for (const [screen, viewport] of Object.entries(SCREENS)) {
            for (const [style, shape] of Object.keys(PICTURE_PAGES).flatMap((style) => Object.keys(SHAPED_PAGES).map((shape) => [style, shape]))) {
                const page = await browser.newPage();
                await page.setViewport(viewport);
                const pageName = PICTURE_PAGES[style].replace("1", SHAPED_PAGES[shape]);
                const got = await chosenFiles(page, `${root}${base}${style}/${pageName}`);
                await page.close();
                const want = Math.min(viewport.deviceScaleFactor, 2);
                for (const [where, file] of [["page", got.onPage], ["full view", got.full]]) {
                    const label = `srcset: ${style} ${shape} --large ${large} ${screen} (${viewport.width}x${viewport.height} @${viewport.deviceScaleFactor}) ${where}`;
                    console.log(`${label}: ${file.name}, ${file.pixels} px wide, ${file.perCssPixel.toFixed(2)} px per CSS px, drawn ${file.drawnWidth.toFixed(0)} px wide`);
                    // Past the widest sized file the picture's own file is offered: the source's full size.
                    const full = file.pixels >= file.widest && !file.name.endsWith(".webp");
                    check(file.name.endsWith(".webp") || full, `${label} picks a WebP file: ${file.name}`);
                    check(file.perCssPixel >= want - 0.05 || full || file.pixels >= file.widest,
                        `${label}: ${file.perCssPixel.toFixed(2)} px per CSS px from ${file.name}, ${want} wanted`);
                    // Two image pixels per CSS pixel are enough, a phone at 3 gets no third: no
                    // narrower file offered covers the picture's box at that (less a tenth for the
                    // room the layouts' sizes round up).
                    const narrower = file.widths.filter((w) => w < file.pixels && w >= want * file.boxWidth * 1.1);
                    check(narrower.length === 0, `${label}: ${file.name} where ${narrower.join(", ")} px would do`);
                    // Nor one that covers the width the picture is drawn at, where its height
                    // limits it (the sizes say that width; a fiftieth for their rounding): a file
                    // sized for the room would be wider than the picture needs.
                    const enough = file.widths.filter((w) => w < file.pixels && w >= want * file.drawnWidth * 1.02);
                    check(enough.length === 0,
                        `${label}: ${file.name} for ${file.drawnWidth.toFixed(0)} px drawn, where ${enough.join(", ")} px would do`);
                    // Lighthouse's phone counts as waste the share of a page's file beyond its
                    // <img> box at the screen's ratio (the box, not the picture drawn in it), and
                    // fails the page past 12 KiB of it where a srcset is offered.
                    if (screen === "lighthouse" && where === "page") {
                        const boxPixels = file.boxWidth * file.boxHeight * viewport.deviceScaleFactor ** 2;
                        const waste = file.bytes * Math.max(0, 1 - boxPixels / (file.pixels * file.pixelsHigh));
                        check(file.bytes > 0 && waste <= 12288,
                            `${label}: ${file.name} (${file.pixels}x${file.pixelsHigh}, ${file.bytes} bytes) wastes ${Math.round(waste)} bytes in its box`);
                    }
                    // Lighthouse's desktop: a WebP file wherever one is offered, on every picture page.
                    if (screen === "desktop") {
                        check(file.name.endsWith(".webp"), `${label}: ${file.name}, not a WebP file`);
                    }
                    // On the desktop, Classic's and Frames' picture rooms are sized to the 1280 px
                    // file such a window takes: the page shows a sized WebP file at most a tenth
                    // wider than its room, not one reduced to a narrower column nor the large
                    // picture as JPEG (what Lighthouse's picture audits count as waste and as an
                    // old format).
                    if (screen === "desktop" && where === "page" && ["Classic", "Frames"].includes(style)) {
                        check(file.name.endsWith(".webp") && file.pixels <= 1.1 * file.boxWidth,
                            `${label}: ${file.name}, ${file.pixels} px wide, shown in a room of ${file.boxWidth} px`);
                    }
                }
            }
        }
    }
}

// The file each style fetches ahead for a neighbouring picture is the one that picture's page then
// shows: from page 2, the picture of page 1 (of the sample pictures, the one whose list has a width
// a screen of two takes and a wider one a screen of three would).
async function fetchedAhead(browser, root, base) {
    for (const style of Object.keys(PICTURE_PAGES)) {
        const page = await browser.newPage();
        await page.setViewport(SCREENS.phone);
        const asked = [];
        page.on("request", (request) => asked.push(decodeURIComponent(request.url().replace(/^.*\//, ""))));
        const first = PICTURE_PAGES[style];
        await page.goto(`${root}${base}${style}/${first.replace("1", "2")}`, { waitUntil: "load" });
        const pictures = () => asked.filter((n) => /\.(webp|jpg)$/.test(n) && n !== "background.jpg");
        await until(() => Promise.resolve(asked.includes(first) && pictures().length >= 3), 8000);
        await sleep(500);
        const ahead = pictures();
        await page.close();
        // Page 1 as a visitor who fetched nothing ahead sees it: a browser takes a wider file it
        // already holds, so the same profile would show whatever was fetched.
        const fresh = await browser.createBrowserContext();
        const alone = await fresh.newPage();
        await alone.setViewport(SCREENS.phone);
        const got = await chosenFiles(alone, `${root}${base}${style}/${first}`);
        await fresh.close();
        check(ahead.length >= 3 && ahead.includes(got.onPage.name),
            `${style}: the phone fetched ahead ${ahead.join(" ")}, page 1 shows ${got.onPage.name}`);
    }
}

// On Lighthouse's desktop, from the 4:3 picture's page at camera size, the upright picture of the
// next page is fetched ahead as the WebP file its drawn width needs, not as the large picture
// topping its list (a JPEG file wider than every WebP file), and is what that page then shows.
async function fetchedAheadUpright(browser, root, base) {
    for (const style of Object.keys(PICTURE_PAGES)) {
        const context = await browser.createBrowserContext();
        const page = await context.newPage();
        await page.setViewport(SCREENS.desktop);
        const asked = [];
        page.on("request", (request) => asked.push(decodeURIComponent(request.url().replace(/^.*\//, ""))));
        const next = PICTURE_PAGES[style].replace("1", "2");
        await page.goto(`${root}${base}${style}/${PICTURE_PAGES[style]}`, { waitUntil: "load" });
        const upright = () => asked.filter((n) => n.startsWith("Forest"));
        await until(() => Promise.resolve(asked.includes(next) && upright().length >= 1), 8000);
        await sleep(500);
        const ahead = upright();
        await context.close();
        const fresh = await browser.createBrowserContext();
        const alone = await fresh.newPage();
        await alone.setViewport(SCREENS.desktop);
        const got = await chosenFiles(alone, `${root}${base}${style}/${next}`);
        await fresh.close();
        check(ahead.length === 1 && ahead[0] === got.onPage.name && got.onPage.name.endsWith(".webp"),
            `${style}: the desktop fetched ahead ${ahead.join(" ")}, page 2 shows ${got.onPage.name}`);
    }
}

// Names holding commas, one leading (",Harbour, north.jpeg", 2400 px wide) and one picture
// narrower than every sized width ("small, meadow.gif", 400 px), at camera size: every file a
// picture page and its full view ask for exists and is asked for under one spelling only, the
// WebP lists name WebP files (and at most the large picture itself on top), and the page shows a
// WebP file or the picture's own.
async function commaNames(browser, root) {
    for (const style of Object.keys(PICTURE_PAGES)) {
        for (const screen of ["phone", "wide"]) {
            for (const pageName of [PICTURE_PAGES[style], PICTURE_PAGES[style].replace("1", "2")]) {
                const label = `commas: ${style} ${screen} ${pageName}`;
                const page = await browser.newPage();
                await page.setViewport(SCREENS[screen]);
                const spellings = new Map();
                const failed = [];
                page.on("request", (request) => {
                    const raw = request.url().replace(/^.*\//, "");
                    const name = decodeURIComponent(raw);
                    if (!spellings.has(name)) spellings.set(name, new Set());
                    spellings.get(name).add(raw);
                });
                page.on("response", (response) => { if (response.status() >= 400) failed.push(response.url()); });
                const got = await chosenFiles(page, `${root}commas/${style}/${pageName}`);
                // Each WebP list's addresses, resolved, and the page's own large picture (src).
                const webpLists = await page.evaluate(() => Array.from(document.querySelectorAll('source[type="image/webp"]'),
                    (source) => ({ own: source.parentNode.querySelector("img").src,
                        urls: (source.getAttribute("srcset").match(/[^\s,]\S*\s+\d+w/g) || [])
                            .map((c) => new URL(c.split(/\s+/)[0], document.baseURI).href) })));
                await sleep(300);
                await page.close();
                check(failed.length === 0, `${label}: not found: ${failed.join(" ")}`);
                const twice = [...spellings].filter(([, raw]) => raw.size > 1).map(([name, raw]) => `${name}: ${[...raw].join(" ")}`);
                check(twice.length === 0, `${label}: asked for under two spellings: ${twice.join("; ")}`);
                // Only a large picture kept at the photo's size, wider than every WebP file, tops
                // its list itself.
                check(webpLists.length > 0 && webpLists.every(({ own, urls }) => urls.length > 0 &&
                    urls.every((u, i) => u.endsWith(".webp") || (i === urls.length - 1 && u === own))),
                    `${label}: WebP lists ${JSON.stringify(webpLists)}`);
                for (const file of [got.onPage, got.full]) {
                    check(file.pixels > 0 && (file.name.endsWith(".webp") || file.own), `${label}: shows ${file.name}`);
                }
            }
        }
    }
}

// Bytes a phone downloads to show Classic's second picture page, its neighbours fetched ahead included.
async function phoneBytes(browser, url) {
    const page = await browser.newPage();
    await page.setViewport(SCREENS.phone);
    const client = await page.target().createCDPSession();
    await client.send("Network.enable");
    await client.send("Network.setCacheDisabled", { cacheDisabled: true });
    let bytes = 0;
    client.on("Network.loadingFinished", (event) => { bytes += event.encodedDataLength; });
    await page.goto(url, { waitUntil: "load" });
    await sleep(3000);
    await page.close();
    return bytes;
}

async function main() {
    const [program, makeSamples] = process.argv.slice(2);
    const work = fs.mkdtempSync(path.join(os.tmpdir(), "galvane-styles-"));
    const photos = path.join(work, "photos");
    childProcess.execFileSync(makeSamples, [photos], { stdio: "ignore" });
    const many = path.join(work, "many");
    fs.mkdirSync(many);
    for (let i = 1; i <= 30; i++) {
        fs.copyFileSync(path.join(photos, "Meadow.gif"), path.join(many, `p${String(i).padStart(2, "0")}_meadow.gif`));
    }
    publish(program, many, path.join(work, "Classic"), "Classic");
    publish(program, photos, path.join(work, "Frames"), "Frames");
    publish(program, photos, path.join(work, "Slides"), "Slides");
    for (const style of ["Classic", "Frames", "Slides"]) {
        publish(program, photos, path.join(work, style + "-coloured"), style,
            ["--bg-color", "ffeecc", "--text-color", "332211", "--no-bg-image"]);
    }

    const words = path.join(work, "words");
    fs.mkdirSync(words);
    for (const name of ["a.gif", "b.gif"]) fs.copyFileSync(path.join(photos, "Meadow.gif"), path.join(words, name));
    fs.writeFileSync(path.join(words, "a.gif.txt"), "Boats at dawn & the gulls <awake>\n");
    for (const style of ["Classic", "Frames", "Slides"]) publish(program, words, path.join(work, style + "-words"), style);

    const small = path.join(work, "small.gif");
    childProcess.execFileSync("convert", [path.join(photos, "Meadow.gif"), "-resize", "96x72", small], { stdio: "ignore" });
    makeAlbums(small, path.join(work, "album-photos"));
    for (const style of ["Classic", "Frames", "Slides"]) {
        publish(program, path.join(work, "album-photos"), path.join(work, "albums-" + style), style, ["--albums"]);
    }
    for (const [large, base] of [["0x0", "camera"], ["1024x768", "limited"]]) {
        fs.mkdirSync(path.join(work, base));
        for (const style of Object.keys(PICTURE_PAGES)) publish(program, photos, path.join(work, base, style), style, ["--large", large]);
    }
    const commas = path.join(work, "comma-photos");
    fs.mkdirSync(commas);
    fs.copyFileSync(path.join(photos, "Harbour.jpeg"), path.join(commas, ",Harbour, north.jpeg"));
    fs.copyFileSync(path.join(photos, "Meadow.gif"), path.join(commas, "small, meadow.gif"));
    fs.mkdirSync(path.join(work, "commas"));
    for (const style of Object.keys(PICTURE_PAGES)) publish(program, commas, path.join(work, "commas", style), style, ["--large", "0x0"]);
    const bytesPhotos = process.env.GALVANE_PHONE_BYTES_PHOTOS || photos;
    const plainClassic = plainStyle(path.join(__dirname, "..", "..", "styles", "###Classic"), work);
    for (const [large, base] of [["0x0", "bytes-camera"], ["1024x768", "bytes-limited"]]) {
        fs.mkdirSync(path.join(work, base));
        publish(program, bytesPhotos, path.join(work, base, "before"), plainClassic, ["--large", large]);
        publish(program, bytesPhotos, path.join(work, base, "after"), "Classic", ["--large", large]);
    }

    const server = await serve(work);
    const root = `http://127.0.0.1:${server.address().port}/`;
    const bases = { Classic: root + "Classic/", Frames: root + "Frames/", Slides: root + "Slides/" };
    const browser = await puppeteer.launch({ executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
        headless: true, args: CHROMIUM_FLAGS, userDataDir: path.join(work, "profile") });
    try {
        for (const [name, viewport] of Object.entries(VIEWPORTS)) {
            // A tab of its own for each gallery, as a visitor opens one: nothing one gallery's
            // pages leave in a tab (history entries, touch state) reaches the next.
            for (const [style, run] of [["Classic", classic], ["Frames", frames], ["Slides", slides]]) {
                const page = await browser.newPage();
                await page.setViewport(viewport);
                await run(page, bases[style], `${style} ${name}`).catch((error) => check(false, `${style} ${name}: ${error.stack.split("\n").slice(0, 4).join(" / ")}`));
                await page.close();
            }
        }
        await withoutScripts(browser, bases);
        await darkMode(browser, root);
        await captionsShown(browser, root);
        await albumsOnPhone(browser, root);
        await srcsetChoices(browser, root, [["0x0", "camera/"], ["1024x768", "limited/"]]);
        await fetchedAhead(browser, root, "limited/");
        await fetchedAheadUpright(browser, root, "camera/");
        await commaNames(browser, root);
        for (const [large, base] of [["0x0", "bytes-camera/"], ["1024x768", "bytes-limited/"]]) {
            const before = await phoneBytes(browser, `${root}${base}before/imagepage2.htm`);
            const after = await phoneBytes(browser, `${root}${base}after/imagepage2.htm`);
            console.log(`phone bytes: Classic --large ${large}, picture page 2 with its neighbours: ${before} before, ${after} after, ${(after / before).toFixed(2)}x`);
            check(after < before, `phone bytes: Classic --large ${large}: ${after} after, not below ${before} before`);
        }
    } finally {
        await browser.close();
        server.close();
        fs.rmSync(work, { recursive: true, force: true });
    }
    for (const failure of failures) console.log("FAIL", failure);
    console.log(`${passed} passed, ${failures.length} failed`);
    process.exit(failures.length || !passed ? 1 : 0);
}

main().catch((error) => {
    console.log("FAIL", error.stack);
    process.exit(1);
});
