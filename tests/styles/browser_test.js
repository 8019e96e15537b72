#!/usr/bin/env node
/* Publishes a gallery with each bundled style, serves it on 127.0.0.1 and drives Debian's
   chromium over the DevTools protocol, on a phone and on a desktop viewport: keys, swipes, the
   full view, the Frames address, lazy loading, reserved room (layout shift), words, captions under
   the picture and in the full view, and that every picture of each page visited loads; a gallery
   of 200 albums and a 5-level tree on a phone; on a phone, a laptop and a wide screen, which file
   the browser picks from the srcset of the test style ###Srcset (Classic asking for every variant),
   and the bytes a phone downloads for one of its picture pages before (the style without its
   srcset placeholders) and after. One browser for the whole program.
   GALVANE_PHONE_BYTES_PHOTOS=DIR measures those bytes on the photos of DIR instead of the samples.

       browser_test.js GALVANE_PUBLISH MAKE_SAMPLE_PICTURES                                   */
"use strict";
const childProcess = require("child_process");
const fs = require("fs");
const http = require("http");
const os = require("os");
const path = require("path");
const puppeteer = require("puppeteer-core");

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
    const nextIn = nextPicture ? events.indexOf(nextPicture.replace("asked", "in"), next) : -1;
    check(nextIn >= 0 && nextIn < before,
        `${label}: the next picture is fetched ahead before the one before: ${events}`);
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
        pager: Array.from(document.querySelectorAll(".pager a")).map((a) => a.textContent + (a.getAttribute("aria-current") ? "*" : ""))
    }));
    check(index.lazy.slice(0, 4).every((l) => l !== "lazy") && index.lazy.slice(4).every((l) => l === "lazy"),
        `${label}: the first row loads at once, the others lazily: ${index.lazy}`);
    check(index.pager.join(" ") === "1 2* 3", `${label}: the page chooser: ${index.pager}`);
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
// come into view, the path from the top fits or scrolls in its strip, and the keys and the way up
// work in the deepest album.
const DEEP = ["L1", "L2", "L3", "L4", "L5"];

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
            continue;
        }
        await visit(page, `${deep}${picture}2.htm`, `${label} deepest`);
        const steps = await page.evaluate(() => Array.from(document.querySelectorAll(".trail a, .album-up")).map((a) => a.getAttribute("href")));
        check(steps.length >= 1 && steps.includes("../main.htm"), `${label}: the way up from a picture page: ${steps}`);
        check(await fits(page.mainFrame()), `${label}: the deepest album's page fits the phone's width`);
        await pressAndWait(page, "ArrowRight", label, `${DEEP.join("/")}/${picture}3.htm`);
        await page.goto(deep + "main.htm", { waitUntil: "load" });
        const trail = await page.evaluate(() => Array.from(document.querySelectorAll(".trail a")).map((a) => a.getAttribute("href")));
        check(trail.length === 5 && trail[0] === "../../../../../main.htm", `${label}: the path from the top: ${trail}`);
        check(await fits(page.mainFrame()), `${label}: the path fits the phone's width`);
        check(await leadsTo(page, () => page.click(".trail li:nth-last-child(2) a"), `L4/${up}`), `${label}: the path leads up, got ${page.url()}`);
    }
    await page.close();
}

// The screens on which the file each style's srcset offers is checked.
const SCREENS = {
    phone: { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
    laptop: { width: 1366, height: 768, deviceScaleFactor: 1 },
    wide: { width: 2560, height: 1440, deviceScaleFactor: 2 }
};
// The test style that asks for every variant (the bundled styles ask for none yet): Classic with
// <picture>, srcset and sizes.
const SRCSET_STYLE = path.join(__dirname, "###Srcset");
const PICTURE_PAGES = { Srcset: "imagepage1.htm" };

// The style with its srcset placeholders taken out: the pages and files of a style that asks for no variants.
function plainStyle(folder, work) {
    const plain = path.join(work, "###Plain");
    fs.cpSync(folder, plain, { recursive: true });
    for (const name of fs.readdirSync(plain).filter((n) => n.endsWith(".htm"))) {
        const file = path.join(plain, name);
        fs.writeFileSync(file, fs.readFileSync(file, "utf8").replace(/WEBPWIDTHS|JPEGWIDTHS|WEBPTHUMBS|JPEGTHUMBS/g, ""));
    }
    return plain;
}

// Which file the browser chose for the picture of a picture page, and how many of its pixels
// fall on one CSS pixel as the picture is shown (object-fit: scale-down inside its box).
async function chosenFile(page, url) {
    await page.goto(url, { waitUntil: "load" });
    return page.evaluate(async () => {
        const img = document.querySelector(".plate img, .full img, .viewer img");
        if (!img.complete) await new Promise((done) => { img.onload = img.onerror = done; });
        const file = new Image();
        file.src = img.currentSrc;
        await new Promise((done) => { file.onload = file.onerror = done; });
        const box = img.getBoundingClientRect();
        const scale = Math.min(1, box.width / img.naturalWidth, box.height / img.naturalHeight);
        const offered = img.parentNode.querySelector("source") ? img.parentNode.querySelector("source").getAttribute("srcset") : "";
        const widest = Math.max(0, ...offered.split(",").map((c) => parseInt(c.trim().split(/\s+/)[1], 10) || 0));
        return { name: decodeURIComponent(img.currentSrc.replace(/^.*\//, "")), pixels: file.naturalWidth,
            perCssPixel: file.naturalWidth / (img.naturalWidth * scale), widest };
    });
}

async function srcsetChoices(browser, root, works) {
    for (const [large, base] of works) {
        for (const [screen, viewport] of Object.entries(SCREENS)) {
            const page = await browser.newPage();
            await page.setViewport(viewport);
            for (const style of Object.keys(PICTURE_PAGES)) {
                const got = await chosenFile(page, `${root}${base}${style}/${PICTURE_PAGES[style]}`);
                const want = Math.min(viewport.deviceScaleFactor, 2);
                console.log(`srcset: ${style} --large ${large} ${screen} (${viewport.width}x${viewport.height} @${viewport.deviceScaleFactor}): ` +
                    `${got.name}, ${got.pixels} px wide, ${got.perCssPixel.toFixed(2)} px per CSS px`);
                // Kept at the photo's size, the large picture itself tops the WebP list: the widest screens take it.
                const topsTheList = large === "0x0" && !got.name.endsWith(".webp") && got.pixels >= got.widest;
                check(got.name.endsWith(".webp") || topsTheList, `srcset: ${style} ${large} ${screen} picks a WebP file: ${got.name}`);
                check(got.perCssPixel >= want - 0.05 || got.pixels >= got.widest,
                    `srcset: ${style} ${large} ${screen}: ${got.perCssPixel.toFixed(2)} px per CSS px from ${got.name}, ${want} wanted`);
            }
            await page.close();
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
        publish(program, photos, path.join(work, base, "Srcset"), SRCSET_STYLE, ["--large", large]);
    }
    const bytesPhotos = process.env.GALVANE_PHONE_BYTES_PHOTOS || photos;
    const plainClassic = plainStyle(SRCSET_STYLE, work);
    for (const [large, base] of [["0x0", "bytes-camera"], ["1024x768", "bytes-limited"]]) {
        fs.mkdirSync(path.join(work, base));
        publish(program, bytesPhotos, path.join(work, base, "before"), plainClassic, ["--large", large]);
        publish(program, bytesPhotos, path.join(work, base, "after"), SRCSET_STYLE, ["--large", large]);
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
        for (const [large, base] of [["0x0", "bytes-camera/"], ["1024x768", "bytes-limited/"]]) {
            const before = await phoneBytes(browser, `${root}${base}before/imagepage2.htm`);
            const after = await phoneBytes(browser, `${root}${base}after/imagepage2.htm`);
            console.log(`phone bytes: Srcset --large ${large}, picture page 2 with its neighbours: ${before} before, ${after} after, ${(after / before).toFixed(2)}x`);
            check(after < before, `phone bytes: Srcset --large ${large}: ${after} after, not below ${before} before`);
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
