/* Frames: the frame page keeps the address in step with the picture on display (main.htm#12),
   so a picture can be shared and Back/Forward move between pictures; arrow keys work in every
   part, swipes on the picture, the picture opens over the whole window, neighbours are fetched
   ahead and the current thumbnail is marked. The parts talk by messages, which also works where
   each file counts as its own origin. The pages' own links stay the navigation; everything here
   only adds to them. Names are only ever set as text or attribute values, never as markup. */
(function () {
    "use strict";

    var body = document.body;
    var kind = body.className; // frame, top, list, first or image
    var framed = window.parent !== window;
    var KEYS = /^(ArrowLeft|ArrowRight|ArrowUp|Escape|Home|End)$/;

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
    // serves them all, so a list of thousands costs next to nothing while the page opens.
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

    function send(target, message) {
        message.galvane = true;
        if (target) target.postMessage(message, "*");
    }

    function plainKey(event) {
        return !(event.altKey || event.ctrlKey || event.metaKey || event.shiftKey || event.defaultPrevented) &&
            !/^(INPUT|TEXTAREA|SELECT)$/.test(event.target.tagName) && KEYS.test(event.key);
    }

    var galleryTitle = document.title;
    var heading = document.querySelector("h1");
    var galleryName = heading ? heading.textContent.trim() : "";

    // Words: picture names and the gallery's description.
    var first = document.querySelector(".thumbs img, .viewer img");
    var pictureName = first && first.getAttribute("src") ? readableName(first.getAttribute("src")) : "";
    var captionElement = document.querySelector(".viewer .caption");
    var pictureCaption = captionElement ? captionElement.textContent : "";
    nameWhenLoaded(".thumbs img, .viewer img");
    var description = document.querySelector('meta[name="description"]');
    var commentary = document.querySelector("main .commentary");
    if (!description) {
        description = document.createElement("meta");
        description.name = "description";
        description.content = commentary ? commentary.textContent.trim() : "";
        document.head.appendChild(description);
    }
    if (!description.content.trim()) description.content = galleryName || galleryTitle;
    var about = document.querySelector(".about");
    // The folded description keeps its room either way, so nothing below it moves.
    if (about && description.content.trim() && description.content !== galleryName) {
        about.querySelector(".commentary").textContent = description.content;
    } else if (about) {
        about.style.visibility = "hidden";
    }

    // The full view: a modal dialog keeps the focus while open and hands it back when closed.
    var view = null;
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
    function showView(src, alt, onClose, captionText, srcset, sizes) {
        if (!view) {
            view = document.createElement("dialog");
            view.className = "full-view";
            var close = document.createElement("button");
            close.type = "button";
            close.textContent = "Close";
            view.appendChild(document.createElement("img"));
            var caption = document.createElement("p");
            caption.className = "view-caption";
            view.appendChild(caption);
            view.appendChild(close);
            view.addEventListener("click", function () {
                view.close();
            });
            view.addEventListener("close", function () {
                if (view.onClosed) view.onClosed();
            });
            body.appendChild(view);
        }
        var big = view.querySelector("img");
        big.removeAttribute("srcset");
        showChosen(big, src, srcset, sizes || "100vw");
        big.alt = alt;
        view.querySelector(".view-caption").textContent = captionText || "";
        view.setAttribute("aria-label", alt || "Picture");
        view.onClosed = onClose || null;
        if (!view.open) view.showModal();
        view.querySelector("button").focus();
    }

    function viewOpen() {
        return view !== null && view.open;
    }

    function onSwipe(element, step) {
        var touch = null;
        element.addEventListener("touchstart", function (event) {
            var t = event.touches[0];
            touch = event.touches.length === 1 ? { x: t.clientX, y: t.clientY, lastX: t.clientX, lastY: t.clientY } : null;
        }, { passive: true });
        // The moves keep the last point: a gesture the browser takes over ends in touchcancel, and the
        // swipe still counts.
        element.addEventListener("touchmove", function (event) {
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
            if (Math.abs(dx) > 50 && Math.abs(dx) > 2 * Math.abs(dy)) step(dx < 0 ? "ArrowRight" : "ArrowLeft");
        }
        element.addEventListener("touchend", swiped, { passive: true });
        element.addEventListener("touchcancel", swiped, { passive: true });
    }

    if (kind === "frame") {
        var display = document.querySelector(".pane-display");
        var list = document.querySelector(".pane-list");
        var shown = 0;
        // Until the picture the address asks for is on display, reports of other pages are stale.
        var pending = null;
        var pendingTimer = 0;

        var showFromAddress = function () {
            var match = /^#(\d+)$/.exec(location.hash);
            var wanted = match ? Number(match[1]) : 0;
            if (wanted === shown) return;
            pending = wanted;
            clearTimeout(pendingTimer);
            pendingTimer = setTimeout(function () {
                pending = null;
            }, 5000);
            display.contentWindow.location.replace(wanted > 0 ? "imagepage" + wanted + ".htm" : "firstpage.htm");
        };
        var key = function (name) {
            if (viewOpen() && (name === "Escape" || name === "ArrowUp")) {
                view.close();
            } else {
                send(display.contentWindow, { key: name });
            }
        };

        window.addEventListener("message", function (event) {
            var message = event.data;
            if (!message || message.galvane !== true) return;
            if (message.shown !== undefined) {
                if (pending !== null && message.shown !== pending) return;
                pending = null;
                shown = message.shown;
                var address = location.pathname + location.search + (message.shown > 0 ? "#" + message.shown : "");
                if (location.pathname + location.search + location.hash !== address) history.replaceState(null, "", address);
                var where = document.querySelector(".pane-status .where");
                if (where) where.textContent = message.shown > 0 ? "Picture " + message.shown + " of " + message.of + ": " + message.name : "";
                document.title = message.shown > 0
                    ? [message.name, "Picture " + message.shown + " of " + message.of, galleryTitle].filter(Boolean).join(" \u2013 ")
                    : galleryTitle;
                send(list.contentWindow, { current: message.shown });
                if (viewOpen() && message.src) showView(message.src, message.name, view.onClosed, message.caption, message.srcset, message.sizes);
            } else if (message.key) {
                key(message.key);
            } else if (message.full) {
                showView(message.full, message.name, function () {
                    display.focus();
                }, message.caption, message.srcset, message.sizes);
            } else if (message.thumbnails) {
                list.focus();
                send(list.contentWindow, { focus: shown });
            } else if (message.ready === "list") {
                send(list.contentWindow, { current: shown });
            }
        });
        window.addEventListener("keydown", function (event) {
            if (!plainKey(event)) return;
            event.preventDefault();
            key(event.key);
        });
        window.addEventListener("hashchange", showFromAddress);
        if (location.hash) showFromAddress();
        onSwipe(document, key);
        return;
    }

    if (kind === "list") {
        var links = null;
        var current = null;
        window.addEventListener("message", function (event) {
            var message = event.data;
            if (!message || message.galvane !== true) return;
            var n = message.current !== undefined ? message.current : message.focus;
            if (n === undefined) return;
            links = links || document.querySelectorAll(".thumbs a");
            var link = n > 0 ? links[n - 1] : null;
            if (message.current !== undefined && link !== current) {
                if (current) current.removeAttribute("aria-current");
                if (link) {
                    link.setAttribute("aria-current", "true");
                    link.scrollIntoView({ block: "nearest", inline: "nearest" });
                }
                current = link;
            }
            if (message.focus !== undefined) (link || links[0] || body).focus();
        });
        send(window.parent, { ready: "list" });
    }

    if (kind === "list" || kind === "top") {
        if (framed) {
            window.addEventListener("keydown", function (event) {
                if (!plainKey(event) || event.key === "ArrowUp" || event.key === "Escape") return;
                event.preventDefault();
                send(window.parent, { key: event.key });
            });
        }
        return;
    }

    // The first page and the picture pages, in the display frame or opened alone.
    var at = numberIn(".position .at");
    var of = numberIn(".of");
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

    var picture = document.querySelector(".viewer img");
    var targets = {
        ArrowLeft: hrefOf('a[rel="prev"]'),
        ArrowRight: kind === "first" ? pageUrl("imagepage1.htm") : hrefOf('a[rel="next"]'),
        Home: pageUrl("imagepage1.htm"),
        End: of > 0 ? pageUrl("imagepage" + of + ".htm") : ""
    };
    if (of === 0) targets = {};
    if (kind === "image") {
        document.title = [pictureName, "Picture " + at + " of " + of, galleryTitle].filter(Boolean).join(" \u2013 ");
        var whole = document.querySelector(".whole");
        // In the frame set the gallery is all around; the link keeps its room so nothing moves.
        if (framed) whole.style.visibility = "hidden";
        else whole.href = "main.htm#" + at;
    }

    var go = function (name) {
        if ((name === "ArrowUp" || name === "Escape") && framed) {
            send(window.parent, { thumbnails: true });
        } else if (name === "ArrowUp" || name === "Escape") {
            if (viewOpen()) view.close();
            else location.href = "main.htm" + (at > 0 ? "#" + at : "");
        } else if (targets[name]) {
            location.href = viewOpen() && /imagepage\d+\.htm/.test(targets[name]) ? targets[name] + "#full" : targets[name];
        }
    };

    if (framed) {
        send(window.parent, {
            shown: kind === "image" ? at : 0,
            of: of,
            name: pictureName,
            caption: pictureCaption,
            src: picture ? picture.src : "",
            srcset: picture ? offered(picture) : "",
            sizes: picture ? fullViewSizes(picture) : ""
        });
        window.addEventListener("message", function (event) {
            if (event.data && event.data.galvane === true && event.data.key) go(event.data.key);
        });
    }
    window.addEventListener("keydown", function (event) {
        if (!plainKey(event)) return;
        event.preventDefault();
        if (framed && !viewOpen()) send(window.parent, { key: event.key });
        else go(event.key);
    });
    onSwipe(document, framed ? function (name) { send(window.parent, { key: name }); } : go);

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
        var open = function () {
            var src = picture.src;
            if (framed) {
                send(window.parent, { full: src, srcset: offered(picture), sizes: fullViewSizes(picture), name: pictureName,
                    caption: pictureCaption });
            } else {
                showView(src, pictureName, function () {
                    if (location.hash === "#full") history.replaceState(null, "", location.pathname + location.search);
                }, pictureCaption, offered(picture), fullViewSizes(picture));
            }
        };
        zoom.addEventListener("click", open);
        if (location.hash === "#full" && !framed) open();

        // Fetch the neighbouring pages and their pictures ahead, once this page has loaded: the
        // next one first, the one before once it is in, so that the two do not share a slow link.
        var prefetch = function (href) {
            if (!/imagepage\d+\.htm/.test(href) || !window.fetch || !window.DOMParser) return Promise.resolve();
            return fetch(href).then(function (response) {
                return response.ok ? response.text() : "";
            }).then(function (text) {
                var img = new DOMParser().parseFromString(text, "text/html").querySelector(".viewer img");
                if (!img || !img.getAttribute("src")) return null;
                return new Promise(function (done) {
                    loadAhead(img, href, done);
                });
            }).catch(function () {});
        };
        window.addEventListener("load", function () {
            setTimeout(function () {
                prefetch(targets.ArrowRight).then(function () {
                    return prefetch(targets.ArrowLeft);
                });
            }, 100);
        });
    }
})();
