/*
    Kelvra's bridge inside the compositor, the part every compositor shares: the
    conversation with Kelvra (docs/bridge-protocol.md) over whatever the compositor offers.
    Each compositor's adapter hands this function a `host`: its name and API generation,
    windows as opaque handles, their frames and signals, screens, the pointer, timers and
    the call to Kelvra's bus service (KWin: data/bridges/kwin/contents/code/main.js;
    GNOME Shell: data/bridges/gnome/host.js). Kelvra sends data only: nothing it sends is
    ever run as code.

    A plain script, assembled into each package by scripts/bridge-package.sh: put before
    KWin's script (which has no imports), imported by GNOME 43-44 as a legacy module, given
    an export line for GNOME 45 and later; the tests require it in node.
*/

function kelvraBridge(host) {
    "use strict";

    var PROTOCOL = 1;
    var BRIDGE_VERSION = "1.0.0";
    var HELLO_TIMEOUT_MS = 5000;
    // Kelvra holds a poll for about 20 s; no answer by then plus a margin means it is gone.
    var POLL_TIMEOUT_MS = 35000;
    // How long a resize waits for the client to commit its new size.
    var SETTLE_MS = 250;
    var BACKOFF_MIN_MS = 1000;
    var BACKOFF_MAX_MS = 30000;

    function log(text) {
        try {
            host.log("kelvra-bridge: " + text);
        } catch (e) {
            // Nowhere left to report to.
        }
    }

    // Every entry point from the shell goes through this: garbage from the bus or a
    // surprise in the API is logged, never thrown back into the compositor.
    function guarded(name, fn) {
        return function () {
            try {
                return fn.apply(null, arguments);
            } catch (e) {
                log(name + " failed: " + e);
            }
        };
    }

    function same(a, b) { return a.x === b.x && a.y === b.y && a.w === b.w && a.h === b.h; }

    function snapshot(w) {
        var d = host.describe(w);
        return { id: host.idOf(w), pid: d.pid, appId: d.appId, kind: d.kind,
                 minimized: d.minimized, title: d.title, frame: host.frame(w) };
    }

    function desktop(commandId) {
        var active = host.active();
        var message = {
            windows: host.windows().filter(host.relevant).map(snapshot),
            screens: host.screens(),
            active: active && host.relevant(active) ? host.idOf(active) : "",
            pointer: host.pointer()
        };
        if (commandId !== undefined) message.id = commandId;
        reportedScreens = JSON.stringify(message.screens);
        return message;
    }

    function singleShot(fn) { return host.timer(guarded("timer", fn)); }

    // ---- The connection to Kelvra ----

    var token = null;  // set by Kelvra's welcome; null while not connected
    var session = 0;   // counts connection attempts: answers to an older one are dropped
    var stopped = false;
    var greeting = false;  // a hello is on its way and may still be answered
    var backoff = BACKOFF_MIN_MS;
    var watchdog = singleShot(function () { lost("no answer from Kelvra"); });
    var retry = singleShot(function () { hello(); });

    // `onFailed` hears of a call the bus could not deliver (Kelvra not running).
    function call(method, message, onReply, onFailed) {
        message.v = PROTOCOL;
        if (token !== null && method !== "Hello") message.token = token;
        var mine = session;
        var current = function (fn) {
            return guarded(method + " reply", function (text) {
                if (mine === session && !stopped && fn) fn(text);
            });
        };
        host.call(method, JSON.stringify(message), current(onReply), current(onFailed));
    }

    // The answer as an object, or null (logged) when it is not one for this connection.
    // `rejected` needs no token: all it can make the bridge do is say hello again.
    function accepted(text) {
        var m;
        try {
            m = JSON.parse(String(text));
        } catch (e) {
            log("refused an answer that is not JSON");
            return null;
        }
        if (m === null || typeof m !== "object") {
            log("refused an answer that is not an object");
            return null;
        }
        if (m.v !== PROTOCOL) {
            log("refused an answer of protocol version " + m.v);
            return null;
        }
        if (m.type !== "rejected" && m.type !== "welcome" && m.token !== token) {
            log("refused an answer without the current token");
            return null;
        }
        return m;
    }

    function hello() {
        session += 1;
        token = null;
        greeting = true;
        if (host.closePeer) host.closePeer();
        call("Hello", { type: "hello", bridge: host.name, bridgeVersion: BRIDGE_VERSION,
                        api: host.generation }, function (text) {
            greeting = false;
            var m = accepted(text);
            if (!m || m.type !== "welcome" || typeof m.token !== "string" || m.token === "") {
                if (m) log("expected a welcome, got " + m.type);
                return;  // the watchdog tries again
            }
            token = m.token;
            backoff = BACKOFF_MIN_MS;
            var begin = function (how) {
                log("connected to Kelvra (pid " + m.pid + ")" + how);
                send("snapshot", desktop());
                poll();
            };
            if (!host.openPeer || typeof m.peer !== "string" || m.peer === "") {
                return begin("");
            }
            // Everything after the welcome goes over one connection, the direct one when it
            // opens (until then the hello's watchdog runs), so no message overtakes another.
            var mine = session;
            host.openPeer(m.peer, guarded("direct", function (open) {
                if (mine !== session || stopped) return;
                if (!open) log("no direct connection to Kelvra; staying on the bus");
                begin(open ? " directly" : " through the bus");
            }), guarded("direct closed", function () {
                if (mine === session && !stopped) lost("the direct connection to Kelvra closed");
            }));
        }, function () { greeting = false; });
        watchdog.start(HELLO_TIMEOUT_MS);
    }

    // Kelvra's service just came onto the bus: no need to wait for the back-off. (KWin
    // offers its scripts no way to see it.)
    if (host.onServiceAppeared) {
        host.onServiceAppeared(guarded("appeared", function () {
            if (token !== null || greeting) return;
            backoff = BACKOFF_MIN_MS;
            retry.stop();
            hello();
        }));
    }

    // Kelvra went away or answered nonsense: say hello again, waiting longer each time.
    function lost(reason) {
        log(reason + "; saying hello again in " + backoff + " ms");
        session += 1;
        token = null;
        greeting = false;
        // A menu whose choices would reach nobody goes until Kelvra sends it again.
        if (host.setMenu) host.setMenu(null);
        if (host.closePeer) host.closePeer();
        watchdog.stop();
        retry.start(backoff);
        backoff = Math.min(backoff * 2, BACKOFF_MAX_MS);
    }

    function poll() {
        call("Poll", { type: "poll" }, function (text) {
            var m = accepted(text);
            if (!m) return lost("a poll's answer was refused");
            if (m.type === "rejected") return lost("Kelvra refused the poll: " + m.reason);
            if (m.type !== "commands" || !Array.isArray(m.commands)) {
                return lost("a poll was answered with " + m.type);
            }
            m.commands.forEach(guarded("command", run));
            poll();
        });
        watchdog.start(POLL_TIMEOUT_MS);
    }

    function send(type, fields) {
        if (token === null || stopped) return;  // the snapshot after the next welcome covers it
        fields.type = type;
        call("Event", fields, function (text) {
            var m = accepted(text);
            if (m && m.type === "rejected") lost("Kelvra refused an event: " + m.reason);
        });
    }

    // ---- Commands ----

    var pendingFrames = {};  // window id -> the setFrame waiting for the client

    // A window Kelvra names is one the bridge watches; the whole stack, which takes the
    // compositor a while to list, is searched only for any other.
    function findWindow(id) {
        if (Object.prototype.hasOwnProperty.call(handles, id)) return handles[id];
        var list = host.windows();
        for (var i = 0; i < list.length; ++i) {
            if (host.idOf(list[i]) === id) return list[i];
        }
        return null;
    }

    function result(id, status, fields) {
        fields = fields || {};
        fields.id = id;
        fields.status = status;
        send("result", fields);
    }

    // The setFrame waiting for window `id`, no longer waiting; undefined when none was.
    function unpend(id) {
        var pending = pendingFrames[id];
        delete pendingFrames[id];
        if (pending && pending.timer) pending.timer.stop();
        return pending;
    }

    function settle(w, status) {
        var pending = unpend(host.idOf(w));
        if (pending) result(pending.command, status, { frame: host.frame(w) });
    }

    // A compositor that applies a frame as given, below a client's minimum or above its
    // maximum size too (an X11 client then draws clipped), says so through host.limits:
    // the frame keeps the limits at its top-left corner, as a window manager would.
    function limited(w, f) {
        var limits = host.limits ? host.limits(w) : null;
        if (!limits) return f;
        function clamp(v, lo, hi) {
            if (hi > 0 && v > hi) v = hi;
            return lo > 0 && v < lo ? lo : v;
        }
        return { x: f.x, y: f.y, w: clamp(f.w, limits.minW, limits.maxW),
                 h: clamp(f.h, limits.minH, limits.maxH) };
    }

    // A Wayland client takes its new size only when it commits, and may round it (a
    // terminal to whole character cells): the answer is the frame it actually took.
    function setFrame(c, w) {
        var f = { x: Number(c.frame.x), y: Number(c.frame.y), w: Number(c.frame.w),
                  h: Number(c.frame.h) };
        if (!(f.w >= 0 && f.h >= 0) || [f.x, f.y, f.w, f.h].some(isNaN)) {
            return result(c.id, "failed");
        }
        f = limited(w, f);
        var id = host.idOf(w);
        var h = held[id];
        if (h && same(f, h.asked) && same(host.frame(w), h.got)) {
            // The frame a forecast gave at the press, already taken.
            result(c.id, "settled", { frame: host.frame(w) });
            return release(id);
        }
        if (pendingFrames[id]) settle(w, "timedOut");  // superseded
        var before = host.frame(w);
        var sizeKept = before.w === f.w && before.h === f.h;
        var pending = {
            command: c.id,
            sizeAnswered: function (now) {
                return sizeKept || now.w !== before.w || now.h !== before.h;
            },
            timer: null
        };
        pendingFrames[host.idOf(w)] = pending;
        // The frame first, the bookkeeping after: a shortcut's frame shows that much sooner,
        // and one the compositor takes at once (an Xwayland window's) needs no timer.
        host.setFrame(w, f);
        if (same(host.frame(w), f)) settle(w, "settled");
        release(id);
        if (pendingFrames[id] !== pending) return;
        pending.timer = singleShot(function () { settle(w, "timedOut"); });
        pending.timer.start(SETTLE_MS);
    }

    // ---- Forecasts ----
    // What Kelvra says the next press of each of its keys gives the active window: applied
    // as the key goes down, before Kelvra hears of the press, where the compositor takes a
    // frame at once (host.framesAtOnce). The window's moves are then held back from Kelvra
    // until its own setFrame for it (or HOLD_MS): Kelvra, hearing of the press after the
    // move, still finds the frame it forecast from, and carries the press out as always.

    var FORECAST_KEYS = 200, HOLD_MS = 1000;
    var forecast = null;
    var held = {};  // window id -> { asked, got, timer }

    function frameOf(v) {
        if (v === null || typeof v !== "object") return null;
        var f = { x: Number(v.x), y: Number(v.y), w: Number(v.w), h: Number(v.h) };
        return [f.x, f.y, f.w, f.h].every(isFinite) && f.w > 0 && f.h > 0 ? f : null;
    }

    function setForecast(c) {
        forecast = null;
        if (c.window === "" || c.window === undefined) return result(c.id, "done");
        var from = frameOf(c.from);
        if (typeof c.window !== "string" || !from || !Array.isArray(c.keys) ||
            (c.validMs !== undefined && !(Number(c.validMs) >= 0))) {
            return result(c.id, "failed");
        }
        var keys = {};
        c.keys.slice(0, FORECAST_KEYS).forEach(function (k) {
            var f = k !== null && typeof k === "object" ? frameOf(k.frame) : null;
            if (f && typeof k.name === "string") keys[k.name] = f;
        });
        forecast = { window: c.window, from: from, keys: keys,
                     until: c.validMs === undefined ? Infinity : Date.now() + Number(c.validMs) };
        result(c.id, "done");
    }

    function applyForecast(name) {
        var f = forecast;
        if (!f || !Object.prototype.hasOwnProperty.call(f.keys, name) || Date.now() >= f.until) {
            return;
        }
        var id = f.window, w = handles[id], active = host.active();
        if (!w || !active || host.idOf(active) !== id || !host.framesAtOnce ||
            !host.framesAtOnce(w) || pendingFrames[id] || moving[id] || held[id] ||
            !same(host.frame(w), f.from)) {
            return;
        }
        forecast = null;  // Kelvra tells the next one once it carried this press out
        var asked = limited(w, f.keys[name]);
        var h = { asked: asked, got: null, timer: singleShot(function () { release(id); }) };
        held[id] = h;
        host.setFrame(w, asked);
        h.got = host.frame(w);
        h.timer.start(HOLD_MS);
    }

    // Kelvra hears of the held window's frame again, and of where it is now.
    function release(id) {
        var h = held[id];
        if (!h) return;
        delete held[id];
        h.timer.stop();
        if (handles[id]) frameChanged(handles[id]);
    }

    // Of several of Kelvra's windows with the caption, the topmost: a panel that replaces
    // another of its kind is mapped (and stacked) after it, while the one it replaces may
    // not be unmapped yet.
    function placeOwn(c) {
        var list = host.windows();  // bottom to top
        for (var i = list.length - 1; i >= 0; --i) {
            var w = list[i];
            var d = host.describe(w);
            if (d.pid !== c.pid || (c.title !== "" && d.title !== c.title)) continue;
            if (c.style !== false) {
                host.setStyles(w, { keepAbove: !!c.keepAbove, skipTaskbar: !!c.skipTaskbar,
                                    skipSwitcher: !!c.skipSwitcher });
            }
            if (c.frame) {
                host.setFrame(w, { x: Number(c.frame.x), y: Number(c.frame.y),
                                   w: Number(c.frame.w), h: Number(c.frame.h) });
            }
            // A Wayland client may not take the focus itself; its own windows get it here.
            if (c.activate) host.activate(w);
            return result(c.id, "done", { window: host.idOf(w) });
        }
        result(c.id, "noWindow");
    }

    // Kelvra's shortcuts, where the desktop has no other service for them (GNOME). A
    // combination another program holds is not given; Kelvra reports it as taken.
    function grabKey(c) {
        if (typeof c.name !== "string" || typeof c.accelerator !== "string") {
            return result(c.id, "failed");
        }
        host.releaseKey(c.name);
        var pressed = function () {
            // Whatever befalls the forecast, Kelvra hears of the press.
            guarded("forecast", applyForecast)(c.name);
            send("keyPressed", { name: c.name });
        };
        var given = host.grabKey(c.name, c.accelerator, guarded("key", pressed));
        result(c.id, given ? "done" : "failed");
    }

    // Icon states the top-bar button knows; anything else shows the plain icon.
    var MENU_ICONS = ["normal", "paused", "noPermission", "noWindowManager",
                      "settingsNotSaved", "shortcutsHeldElsewhere"];
    var MENU_DEPTH = 4, MENU_ITEMS = 200;

    // The menu as plain data, copied field by field with their types fixed: what comes over
    // the bus is drawn, never run.
    function menuItems(list, depth) {
        if (!Array.isArray(list) || depth >= MENU_DEPTH) return [];
        return list.slice(0, MENU_ITEMS).filter(function (i) {
            return i !== null && typeof i === "object";
        }).map(function (i) {
            return { id: String(i.id || ""), title: String(i.title || ""),
                     shortcut: String(i.shortcut || ""), separator: i.separator === true,
                     checked: i.checked === true, enabled: i.enabled !== false,
                     submenu: menuItems(i.submenu, depth + 1) };
        });
    }

    function setMenu(c) {
        if (c.menu === null) {
            host.setMenu(null);
            return result(c.id, "done");
        }
        if (typeof c.menu !== "object" || !Array.isArray(c.menu.items)) {
            return result(c.id, "failed");
        }
        var menu = { icon: MENU_ICONS.indexOf(c.menu.icon) >= 0 ? c.menu.icon : "normal",
                     toolTip: String(c.menu.toolTip || ""), items: menuItems(c.menu.items, 0) };
        host.setMenu(menu, guarded("menuChosen", function (item) {
            send("menuChosen", { item: String(item) });
        }));
        return result(c.id, "done");
    }

    function run(c) {
        if (c === null || typeof c !== "object") {
            return log("refused a command that is not an object");
        }
        var w;
        switch (c.cmd) {
        case "setFrame":
        case "raise":
        case "activate":
            w = findWindow(String(c.window));
            if (!w) return result(c.id, "noWindow");
            if (c.cmd === "setFrame") {
                if (!c.frame || typeof c.frame !== "object") return result(c.id, "failed");
                return setFrame(c, w);
            }
            if (c.cmd === "raise") host.raise(w);
            // Held back when the window Kelvra names is no longer the active one: its
            // copy of the desktop may lag behind a focus change.
            else if (c.ifActive === undefined ||
                     (host.active() && host.idOf(host.active()) === String(c.ifActive))) {
                host.activate(w);
            }
            return result(c.id, "done");
        case "getPointer":
            return result(c.id, "done", { pointer: host.pointer() });
        case "list":
            return send("snapshot", desktop(c.id));
        case "placeOwn":
            return placeOwn(c);
        case "grabKey":
        case "releaseKey":
            if (!host.grabKey) break;
            if (c.cmd === "grabKey") return grabKey(c);
            host.releaseKey(String(c.name));
            return result(c.id, "done");
        case "forecast":
            if (!host.grabKey) break;
            return setForecast(c);
        case "setMenu":
            if (!host.setMenu) break;
            return setMenu(c);
        }
        log("unknown command " + c.cmd);
        return result(c.id, "failed");
    }

    // ---- Events ----

    var frames = {};   // window id -> last frame reported
    var handles = {};  // window id -> the compositor's handle, while watched
    var moving = {};   // window id -> true during a move the user drives

    function frameChanged(w) {
        var id = host.idOf(w);
        if (!frames[id]) return;
        var now = host.frame(w);
        var pending = pendingFrames[id];
        if (pending && pending.sizeAnswered(now)) settle(w, "settled");
        var was = frames[id];
        if (same(was, now) || held[id]) return;
        frames[id] = now;
        if (moving[id]) return;  // the move's steps carry the frame
        var resized = was.w !== now.w || was.h !== now.h;
        send(resized ? "windowResized" : "windowMoved", { window: id, frame: now });
    }

    function moveEvent(type, w) {
        send(type, { window: host.idOf(w), frame: host.frame(w), pointer: host.pointer() });
    }

    // Starts following `w`; false for the shell's own surfaces.
    function watch(w) {
        if (!host.relevant(w) || frames[host.idOf(w)]) return false;
        frames[host.idOf(w)] = host.frame(w);
        handles[host.idOf(w)] = w;
        host.watch(w, {
            frame: guarded("frame", function () { frameChanged(w); }),
            minimized: guarded("minimized", function () {
                send("windowMinimized", { window: host.idOf(w),
                                          minimized: host.describe(w).minimized });
            }),
            moveStarted: guarded("move", function () {
                moving[host.idOf(w)] = true;
                moveEvent("moveStarted", w);
            }),
            moveStepped: guarded("move", function () {
                if (moving[host.idOf(w)]) moveEvent("moveStepped", w);
            }),
            moveFinished: guarded("move", function () {
                if (!moving[host.idOf(w)]) return;
                delete moving[host.idOf(w)];
                frames[host.idOf(w)] = host.frame(w);
                moveEvent("moveFinished", w);
            })
        });
        return true;
    }

    // A window is announced once it is shown (the shell creates it earlier, before it has
    // a frame); its activation, which may come first, is reported after it.
    host.onWindowShown(guarded("windowAdded", function (w) {
        if (!watch(w)) return;
        send("windowAdded", { window: snapshot(w) });
        if (host.active() === w) send("windowActivated", { window: host.idOf(w) });
    }));
    host.onWindowRemoved(guarded("windowRemoved", function (w) {
        var id = host.idOf(w);
        if (!frames[id]) return;  // never announced
        var pending = unpend(id);
        if (pending) result(pending.command, "noWindow");
        delete frames[id];
        delete handles[id];
        delete moving[id];
        if (held[id]) held[id].timer.stop();
        delete held[id];
        send("windowRemoved", { window: id });
    }));
    host.onWindowActivated(guarded("windowActivated", function (w) {
        if (w && host.relevant(w) && !frames[host.idOf(w)]) return;  // not announced yet
        send("windowActivated", { window: w && host.relevant(w) ? host.idOf(w) : "" });
    }));
    host.onScreensChanged(guarded("screensChanged", function () {
        var now = host.screens();
        reportedScreens = JSON.stringify(now);
        send("screensChanged", { screens: now });
    }));
    host.windows().forEach(guarded("watch", watch));

    // A panel that comes, goes or changes size changes the work areas without any signal
    // of the screens (KWin gives none): they are read again a moment after (the compositor
    // settles them after the window's own signal) and reported when they differ.
    var reportedScreens = "";
    var areasCheck = singleShot(function () {
        var now = host.screens();
        if (JSON.stringify(now) === reportedScreens) return;
        reportedScreens = JSON.stringify(now);
        send("screensChanged", { screens: now });
    });
    function checkAreasSoon() { areasCheck.start(50); }
    function watchPanel(w) {
        if (!host.isPanel || !host.isPanel(w)) return false;
        var nothing = function () {};
        host.watch(w, { frame: guarded("panel", checkAreasSoon), minimized: nothing,
                        moveStarted: nothing, moveStepped: nothing, moveFinished: nothing });
        return true;
    }
    host.onWindowShown(guarded("panelShown", function (w) {
        if (watchPanel(w)) checkAreasSoon();
    }));
    host.onWindowRemoved(guarded("panelRemoved", function (w) {
        if (host.isPanel && host.isPanel(w)) checkAreasSoon();
    }));
    host.windows().forEach(guarded("panel", watchPanel));

    hello();
    return {
        apiGeneration: host.generation,
        // The extension is being disabled: no more calls, timers or signals.
        stop: function () {
            stopped = true;
            session += 1;
            watchdog.stop();
            retry.stop();
            Object.keys(pendingFrames).forEach(unpend);
            Object.keys(held).forEach(function (id) { held[id].timer.stop(); });
            if (host.disconnectAll) host.disconnectAll();
        }
    };
}

if (typeof module === "object" && module.exports) module.exports = { kelvraBridge: kelvraBridge };
