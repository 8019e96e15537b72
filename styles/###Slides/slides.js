/* Slides: arrow keys and swipes move through the show, a large picture opens over the whole
   window, the neighbouring slides are fetched ahead, and pictures get names people can read.
   The page's own links stay the navigation; everything here only adds to them. Names are only
   ever set as text or attribute values, never parsed as markup. */
(function () {
    "use strict";

    var body = document.body;
    var kind = body.className; // start, small, large, overview or jump

    function decoded(text) {
        try {
            return decodeURIComponent(text);
        } catch (e) {
            return text;
        }
    }

    // "thn_p01_by%20the%20water.jpg" -> "p01 by the water"
    function readableName(src) {
        var name = decoded(src.split(/[?#]/)[0].replace(/^.*\//, ""));
        return name.replace(/^thn_/, "").replace(/\.[^.]*$/, "").replace(/_+/g, " ").trim();
    }

    // Pictures are named once they have loaded: a new alt text on a picture still loading redraws
    // its stand-in, which over thousands of lazy thumbnails costs seconds on a phone. One listener
    // serves them all, so a sheet of thousands costs next to nothing while the page opens.
    function nameWhenLoaded(selector) {
        var name = function (img) {
            if (img.getAttribute("src")) img.alt = readableName(img.getAttribute("src"));
        };
        document.addEventListener("load", function (event) {
            if (event.target.tagName === "IMG" && event.target.matches(selector)) name(event.target);
        }, true);
        var images = document.querySelectorAll(selector);
        for (var i = 0; i < images.length; i++) {
            if (images[i].complete) name(images[i]);
        }
    }

    function numberIn(selector) {
        var element = document.querySelector(selector);
        return element ? parseInt(element.textContent, 10) || 0 : 0;
    }

    function hrefOf(selector) {
        var a = document.querySelector(selector);
        return a ? a.href : "";
    }

    function pageUrl(name) {
        return new URL(name, location.href).href;
    }

    var at = numberIn(".counter .at");
    var of = numberIn(".counter .of");
    var heading = document.querySelector("h1");
    var galleryName = heading ? heading.textContent.trim() : "";

    // Words: picture names, the page title and the gallery's description.
    var first = document.querySelector("main img");
    var pictureName = first && first.getAttribute("src") ? readableName(first.getAttribute("src")) : "";
    nameWhenLoaded("main img");
    var titleParts = [];
    if (kind === "small" || kind === "large") {
        titleParts.push(pictureName, (kind === "small" ? "Thumbnail " : "Picture ") + at + " of " + of);
    } else if (kind === "overview") {
        titleParts.push("All pictures");
    }
    titleParts.push(document.title || galleryName);
    document.title = titleParts.filter(Boolean).join(" \u2013 ");

    var description = document.querySelector('meta[name="description"]');
    var commentary = document.querySelector("main .commentary");
    if (!description) {
        description = document.createElement("meta");
        description.name = "description";
        description.content = commentary ? commentary.textContent.trim() : "";
        document.head.appendChild(description);
    }
    if (!description.content.trim()) description.content = galleryName || document.title;
    var about = document.querySelector(".about");
    // The folded description keeps its room either way, so nothing below it moves.
    if (about && description.content.trim() && description.content !== galleryName) {
        about.querySelector(".commentary").textContent = description.content;
    } else if (about) {
        about.style.visibility = "hidden";
    }

    // Where each key leads.
    var targets = {};
    if (kind === "start") {
        targets.ArrowRight = hrefOf('.shows a[href^="largepage"]');
    } else if (kind === "small" || kind === "large") {
        targets = {
            ArrowLeft: hrefOf('a[rel="prev"]'),
            ArrowRight: hrefOf('a[rel="next"]'),
            ArrowUp: hrefOf(".up"),
            Escape: hrefOf(".up"),
            Home: pageUrl(kind + "page1.htm"),
            End: of > 0 ? pageUrl(kind + "page" + of + ".htm") : ""
        };
    } else if (kind === "overview") {
        // The stubs behind these links only lead on to the large pages: go there at once. The
        // link is changed as it is followed, so thousands of links cost nothing on loading.
        var direct = function (event) {
            var a = event.target.closest && event.target.closest('.sheet a[href^="imagepage"]');
            if (a) a.setAttribute("href", a.getAttribute("href").replace(/^imagepage/, "largepage"));
        };
        document.addEventListener("click", direct, true);
        document.addEventListener("auxclick", direct, true);
        document.addEventListener("contextmenu", direct, true);
        targets = { ArrowUp: hrefOf(".up"), Escape: hrefOf(".up") };
    }

    // The full view: a modal dialog keeps the focus while open and hands it back when closed.
    // A picture may offer sharper and lighter files (srcset, WebP first): the full view and the
    // fetch ahead choose among them as the page does, and fall back on the picture's own file.
    function offered(img) {
        var holder = img.parentNode && img.parentNode.tagName === "PICTURE" ? img.parentNode : null;
        var webp = holder ? holder.querySelector('source[type="image/webp"]') : null;
        return (webp && webp.getAttribute("srcset")) || img.getAttribute("srcset") || "";
    }
    // The widths the page chooses by: the file fetched ahead is the one the next page shows.
    function sizesOf(img) {
        var holder = img.parentNode && img.parentNode.tagName === "PICTURE" ? img.parentNode : null;
        var webp = holder ? holder.querySelector('source[type="image/webp"]') : null;
        return (webp && webp.getAttribute("sizes")) || img.getAttribute("sizes") || "100vw";
    }
    // The full view fills the window; like the page, it asks for two image pixels per CSS pixel
    // at most, which look as sharp as three and weigh half as much. A picture whose size the page
    // gives (width and height) is drawn at most as wide as the window's height allows: the list
    // is asked for that width, so a tall picture takes no file wider than it is shown.
    function fullViewSizes(img) {
        var width = parseInt(img.getAttribute("width"), 10);
        var height = parseInt(img.getAttribute("height"), 10);
        var drawn = width > 0 && height > 0 ? "min(100vw, 100vh * " + width + " / " + height + ")" : "100vw";
        return "(min-resolution: 3dppx) calc(" + drawn + " * 2 / 3), (min-resolution: 2.5dppx) calc(" + drawn + " * 0.8), " + drawn;
    }
    function holderOf(img) {
        return img.parentNode && img.parentNode.tagName === "PICTURE" ? img.parentNode : img;
    }
    function loadAhead(img, href, done) {
        var ahead = new Image();
        ahead.onload = ahead.onerror = done;
        if (offered(img)) {
            ahead.sizes = sizesOf(img);
            ahead.srcset = offered(img);
        }
        ahead.src = new URL(img.getAttribute("src"), href).href;
    }
    // Past its widest sized file a picture is offered at its own size: the page names that file
    // (src) without its width, so it is measured only once a screen wants more than the widest
    // sized file, and then joins the candidates the browser chooses from (holder: the element
    // with the srcset).
    function offerOwnSize(img, holder) {
        var list = holder.getAttribute("srcset") || "";
        if (!list || !img.naturalWidth) return;
        var widest = 0;
        var shown = -1;
        // Each candidate as the browser reads it: the address runs to the next blank (a comma
        // inside it is part of it), the width follows.
        (list.match(/[^\s,]\S*\s+\d+w/g) || []).forEach(function (candidate) {
            var parts = candidate.split(/\s+/);
            var width = parseInt(parts[1], 10) || 0;
            widest = Math.max(widest, width);
            if (new URL(parts[0], document.baseURI).href === img.currentSrc) shown = width;
        });
        var box = img.getBoundingClientRect();
        var wanted = Math.min(box.width, box.height * img.naturalWidth / img.naturalHeight) *
            Math.min(window.devicePixelRatio || 1, 2);
        if (shown < widest || wanted <= widest || img.currentSrc === img.src) return;
        var own = new Image();
        own.onload = function () {
            if (own.naturalWidth > widest) holder.setAttribute("srcset", list + ", " + own.src + " " + own.naturalWidth + "w");
        };
        own.src = img.src;
    }
    function whenLoaded(img, then) {
        if (img.complete && img.naturalWidth) then();
        else img.addEventListener("load", then, { once: true });
    }
    function showChosen(big, src, srcset, sizes) {
        if (srcset) {
            big.sizes = sizes;
            big.srcset = srcset;
        }
        big.src = src;
        // Once the view is open and the picture has its room.
        if (srcset) setTimeout(function () {
            whenLoaded(big, function () {
                offerOwnSize(big, big);
            });
        }, 0);
    }

    var picture = kind === "large" ? document.querySelector(".full img") : null;
    var view = null;
    var ownSizeHolder = picture && picture.parentNode.tagName === "PICTURE" ? picture.parentNode.querySelector('source[type="image/webp"]') : null;
    if (ownSizeHolder) whenLoaded(picture, function () {
        offerOwnSize(picture, ownSizeHolder);
    });
    if (picture) {
        var zoom = document.createElement("button");
        zoom.type = "button";
        zoom.className = "zoom";
        zoom.setAttribute("aria-label", "Show " + (pictureName || "the picture") + " over the whole window");
        var held = holderOf(picture);
        held.parentNode.insertBefore(zoom, held);
        zoom.appendChild(held);
        zoom.addEventListener("click", openView);
        if (location.hash === "#full") openView();
    }

    function openView() {
        if (!view) {
            view = document.createElement("dialog");
            view.className = "full-view";
            view.setAttribute("aria-label", pictureName || "Picture");
            var close = document.createElement("button");
            close.type = "button";
            close.textContent = "Close";
            var big = document.createElement("img");
            showChosen(big, picture.src, offered(picture), fullViewSizes(picture));
            big.alt = picture.alt;
            view.appendChild(big);
            var words = document.querySelector(".full .caption");
            var caption = document.createElement("p");
            caption.className = "view-caption";
            caption.textContent = words ? words.textContent : "";
            view.appendChild(caption);
            view.appendChild(close);
            view.addEventListener("click", function () {
                view.close();
            });
            view.addEventListener("close", function () {
                if (location.hash === "#full") history.replaceState(null, "", location.pathname + location.search);
            });
            body.appendChild(view);
        }
        if (!view.open) view.showModal();
        view.querySelector("button").focus();
    }

    function viewOpen() {
        return view !== null && view.open;
    }

    // From the full view the neighbours open in the full view too.
    function go(href) {
        if (!href) return;
        if (viewOpen() && /largepage\d+\.htm/.test(href)) href = href.replace(/#.*$/, "") + "#full";
        location.href = href;
    }

    document.addEventListener("keydown", function (event) {
        if (event.altKey || event.ctrlKey || event.metaKey || event.shiftKey || event.defaultPrevented) return;
        if (/^(INPUT|TEXTAREA|SELECT)$/.test(event.target.tagName)) return;
        if (viewOpen() && (event.key === "Escape" || event.key === "ArrowUp")) {
            event.preventDefault();
            view.close();
            return;
        }
        var href = targets[event.key];
        if (href) {
            event.preventDefault();
            go(href);
        }
    });

    var touch = null;
    document.addEventListener("touchstart", function (event) {
        var t = event.touches[0];
        touch = event.touches.length === 1 ? { x: t.clientX, y: t.clientY, lastX: t.clientX, lastY: t.clientY } : null;
    }, { passive: true });
    // The moves keep the last point: a gesture the browser takes over ends in touchcancel, and the
    // swipe still counts.
    document.addEventListener("touchmove", function (event) {
        if (!touch || event.touches.length !== 1) return;
        touch.lastX = event.touches[0].clientX;
        touch.lastY = event.touches[0].clientY;
    }, { passive: true });
    function swiped(event) {
        if (!touch) return;
        var end = event.type === "touchend" && event.changedTouches.length ? event.changedTouches[0] : null;
        var dx = (end ? end.clientX : touch.lastX) - touch.x;
        var dy = (end ? end.clientY : touch.lastY) - touch.y;
        touch = null;
        if (Math.abs(dx) > 50 && Math.abs(dx) > 2 * Math.abs(dy)) go(targets[dx < 0 ? "ArrowRight" : "ArrowLeft"]);
    }
    document.addEventListener("touchend", swiped, { passive: true });
    document.addEventListener("touchcancel", swiped, { passive: true });

    // Fetch the neighbouring slides and their pictures ahead, once this page has loaded: the
    // next one first, the one before once it is in, so that the two do not share a slow link.
    function prefetch(href) {
        if (!/(small|large)page\d+\.htm/.test(href) || !window.fetch || !window.DOMParser) return Promise.resolve();
        return fetch(href).then(function (response) {
            return response.ok ? response.text() : "";
        }).then(function (text) {
            var img = new DOMParser().parseFromString(text, "text/html").querySelector("main img");
            if (!img || !img.getAttribute("src")) return null;
            return new Promise(function (done) {
                loadAhead(img, href, done);
            });
        }).catch(function () {});
    }
    if (kind === "small" || kind === "large") {
        window.addEventListener("load", function () {
            setTimeout(function () {
                prefetch(targets.ArrowRight).then(function () {
                    return prefetch(targets.ArrowLeft);
                });
            }, 100);
        });
    }
})();
