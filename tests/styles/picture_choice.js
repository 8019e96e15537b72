/* Which file a bundled style's picture page makes the browser show, on the page and in its full
   view, measured in chromium over puppeteer. Shared by the Chromium test (browser_test.js) and
   bench/gallery/picture_bytes.js, so both read a page's choice the same way.                  */
"use strict";

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// Runs in the page. The file the <img> matched by `selector` shows: its name, its width in pixels,
// how many of those fall on one CSS pixel as the picture is drawn (as its object-fit draws it), the
// width it is drawn at in CSS pixels, the file's height and bytes, the <img> box's size,
// the widths its srcset offers (read as the browser reads a list: an address runs to the next
// blank, commas inside it included) and whether it is the page's own src.
function chosenIn(selector) {
    return new Promise((done) => {
        const img = document.querySelector(selector);
        const measure = () => {
            const file = new Image();
            file.onload = file.onerror = () => {
                const box = img.getBoundingClientRect();
                let scale = Math.min(box.width / img.naturalWidth, box.height / img.naturalHeight);
                if (getComputedStyle(img).objectFit === "scale-down") scale = Math.min(1, scale);
                const holder = img.parentNode.tagName === "PICTURE" ? img.parentNode.querySelector("source") : img;
                const offered = holder.getAttribute("srcset") || "";
                const widths = (offered.match(/[^\s,]\S*\s+\d+w/g) || []).map((c) => parseInt(c.split(/\s+/)[1], 10));
                done({ name: decodeURIComponent(img.currentSrc.replace(/^.*\//, "")), pixels: file.naturalWidth,
                    pixelsHigh: file.naturalHeight,
                    bytes: (performance.getEntriesByName(img.currentSrc)[0] || {}).encodedBodySize || 0,
                    perCssPixel: file.naturalWidth / (img.naturalWidth * scale), drawnWidth: img.naturalWidth * scale,
                    widths, widest: Math.max(0, ...widths),
                    boxWidth: box.width, boxHeight: box.height, own: img.currentSrc === img.src });
            };
            file.src = img.currentSrc;
        };
        if (img.complete && img.naturalWidth) measure();
        else img.addEventListener("load", measure, { once: true });
    });
}

// Waits until the file an image shows has stayed the same for a while (at most looks x ms): a
// style offers a wider file once the widest sized one has loaded and falls short.
async function settled(page, selector, looks = 20, ms = 200) {
    let last = "";
    for (let i = 0; i < looks; i++) {
        await sleep(ms);
        const now = await page.evaluate((s) => {
            const img = document.querySelector(s);
            return img && img.complete ? img.currentSrc : "";
        }, selector);
        if (now && now === last) return;
        last = now;
    }
}

// The picture of a picture page in each bundled style.
const PICTURE = ".plate img, .full img, .viewer img";

// Opens `url` in `page`, then its full view: the file chosen in each (chosenIn's measures).
async function chosenFiles(page, url, looks, ms) {
    await page.goto(url, { waitUntil: "load" });
    await settled(page, PICTURE, looks, ms);
    const onPage = await page.evaluate(chosenIn, PICTURE);
    await page.click(".zoom");
    await page.waitForSelector(".full-view img");
    await settled(page, ".full-view img", looks, ms);
    return { onPage, full: await page.evaluate(chosenIn, ".full-view img") };
}

module.exports = { chosenIn, settled, chosenFiles, PICTURE };
