/*
    Kelvra's bridge inside KWin. On Wayland only the compositor may move other
    applications' windows, so this script does it on Kelvra's behalf: it reports the
    desktop to Kelvra and carries out Kelvra's commands. The conversation (one JSON
    string per D-Bus call, Kelvra owning the service) is in docs/bridge-protocol.md.

    A plain script, no modules: KWin 5.27 loads it as it is, and the tests load it in
    node and call kelvraBridge with a stand-in of KWin's globals.
*/

function kelvraBridge(g) {
    "use strict";

    var PROTOCOL = 1;
    var BRIDGE_VERSION = "1.0.0";
    var SERVICE = "io.github.kelvra.Bridge";
    var PATH = "/Bridge";
    var INTERFACE = "io.github.kelvra.Bridge";
    var HELLO_TIMEOUT_MS = 5000;
    // Kelvra holds a poll for about 30 s; no answer by then plus a margin means it is gone.
    var POLL_TIMEOUT_MS = 35000;
    // How long a resize waits for the client to commit its new size.
    var SETTLE_MS = 250;
    var BACKOFF_MIN_MS = 1000;
    var BACKOFF_MAX_MS = 30000;

    function log(text) {
        try {
            g.print("kelvra-bridge: " + text);
        } catch (e) {
            // Nowhere left to report to.
        }
    }

    // Every entry point from KWin goes through this: garbage from the bus or a
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

    function on(signal, fn) {
        if (signal && typeof signal.connect === "function") signal.connect(fn);
    }

    // ---- Everything that differs between KWin 5.27 and Plasma 6 ----

    var ws = g.workspace;
    var generation = typeof ws.windowList === "function" ? 6 : 5;
    // The names each generation gives the same things.
    var names = generation === 5 ? {
        list: "clientList", active: "activeClient", added: "clientAdded",
        removed: "clientRemoved", activated: "clientActivated",
        screensChanged: ["numberScreensChanged", "screenResized", "virtualScreenGeometryChanged"],
        move: ["clientStartUserMovedResized", "clientStepUserMovedResized",
               "clientFinishUserMovedResized"]
    } : {
        list: "windowList", active: "activeWindow", added: "windowAdded",
        removed: "windowRemoved", activated: "windowActivated",
        screensChanged: ["screensChanged", "virtualScreenGeometryChanged"],
        move: ["interactiveMoveResizeStarted", "interactiveMoveResizeStepped",
               "interactiveMoveResizeFinished"]
    };
    var area = function (option, screen) {
        return ws.clientArea(option, screen, ws.currentDesktop);
    };
    var api = {
        generation: generation,
        windows: function () { return ws[names.list](); },
        active: function () { return ws[names.active]; },
        activate: function (w) { ws[names.active] = w; },
        raise: function (w) {
            // 5.27 offers scripts no raise of its own; activating raises.
            if (typeof ws.raiseWindow === "function") ws.raiseWindow(w);
            else ws[names.active] = w;
        },
        // 5.27 numbers the screens; Plasma 6 hands out output objects.
        screens: function () {
            var outputs = generation === 5 ? [] : ws.screens;
            for (var i = 0; generation === 5 && i < ws.numScreens; ++i) outputs.push(i);
            return outputs.map(function (output) {
                return {
                    name: String(generation === 5 ? output : output.name),
                    geometry: generation === 5 ? area(g.KWin.ScreenArea, output) : output.geometry,
                    workArea: area(g.KWin.MaximizeArea, output)
                };
            });
        },
        onWindowAdded: function (fn) { on(ws[names.added], fn); },
        onWindowRemoved: function (fn) { on(ws[names.removed], fn); },
        onWindowActivated: function (fn) { on(ws[names.activated], fn); },
        onScreensChanged: function (fn) {
            names.screensChanged.forEach(function (name) { on(ws[name], fn); });
        },
        onMoveResize: function (w, started, stepped, finished) {
            on(w[names.move[0]], started);
            on(w[names.move[1]], stepped);
            on(w[names.move[2]], finished);
        }
    };

    // ---- Values as the protocol writes them ----

    function rect(r) {
        return { x: Number(r.x), y: Number(r.y), w: Number(r.width), h: Number(r.height) };
    }

    function pointer() {
        var p = ws.cursorPos;
        return { x: Number(p.x), y: Number(p.y) };
    }

    function idOf(w) { return String(w.internalId); }

    // Panels, the desktop and pop-up menus are the compositor's business, not Kelvra's.
    function relevant(w) {
        return !!w && !w.desktopWindow && !w.dock && !w.popupWindow && !w.deleted;
    }

    function snapshot(w) {
        var kind = w.normalWindow ? "normal" : w.dialog ? "dialog" : w.utility ? "utility"
                                                                               : "other";
        return {
            id: idOf(w),
            pid: Number(w.pid) || 0,
            appId: String(w.desktopFileName || w.resourceClass || ""),
            kind: kind,
            minimized: !!w.minimized,
            title: String(w.caption || ""),
            frame: rect(w.frameGeometry)
        };
    }

    function screens() {
        return api.screens().map(function (s) {
            return { name: s.name, geometry: rect(s.geometry), workArea: rect(s.workArea) };
        });
    }

    function desktop(commandId) {
        // Bottom to top, as the protocol lists them (both APIs number the stack).
        var list = api.windows().filter(relevant).sort(function (a, b) {
            return (a.stackingOrder || 0) - (b.stackingOrder || 0);
        });
        var active = api.active();
        var message = {
            windows: list.map(snapshot),
            screens: screens(),
            active: relevant(active) ? idOf(active) : "",
            pointer: pointer()
        };
        if (commandId !== undefined) message.id = commandId;
        reportedScreens = JSON.stringify(message.screens);
        return message;
    }

    // ---- Timers (KWin offers QTimer to scripts) ----

    function singleShot(fn) {
        var t = new g.QTimer();
        t.singleShot = true;
        t.timeout.connect(guarded("timer", fn));
        return {
            start: function (ms) {
                t.stop();
                t.interval = ms;
                t.start();
            },
            stop: function () { t.stop(); }
        };
    }

    // ---- The connection to Kelvra ----

    var token = null;  // set by Kelvra's welcome; null while not connected
    var session = 0;   // counts connection attempts: answers to an older one are dropped
    var backoff = BACKOFF_MIN_MS;
    var watchdog = singleShot(function () { lost("no answer from Kelvra"); });
    var retry = singleShot(function () { hello(); });

    function call(method, message, onReply) {
        message.v = PROTOCOL;
        if (token !== null && method !== "Hello") message.token = token;
        var mine = session;
        g.callDBus(SERVICE, PATH, INTERFACE, method, JSON.stringify(message),
                   guarded(method + " reply", function (text) {
                       if (mine === session) onReply(text);
                   }));
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
        call("Hello", { type: "hello", bridge: "kwin", bridgeVersion: BRIDGE_VERSION,
                        api: api.generation }, function (text) {
            var m = accepted(text);
            if (!m || m.type !== "welcome" || typeof m.token !== "string" || m.token === "") {
                if (m) log("expected a welcome, got " + m.type);
                return;  // the watchdog tries again
            }
            token = m.token;
            backoff = BACKOFF_MIN_MS;
            log("connected to Kelvra (pid " + m.pid + ")");
            send("snapshot", desktop());
            poll();
        });
        watchdog.start(HELLO_TIMEOUT_MS);
    }

    // Kelvra went away or answered nonsense: say hello again, waiting longer each time.
    function lost(reason) {
        log(reason + "; saying hello again in " + backoff + " ms");
        session += 1;
        token = null;
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
        if (token === null) return;  // the snapshot after the next welcome covers it
        fields.type = type;
        call("Event", fields, function (text) {
            var m = accepted(text);
            if (m && m.type === "rejected") lost("Kelvra refused an event: " + m.reason);
        });
    }

    // ---- Commands ----

    var pendingFrames = {};  // window id -> the setFrame waiting for the client

    function findWindow(id) {
        var list = api.windows();
        for (var i = 0; i < list.length; ++i) {
            if (idOf(list[i]) === id) return list[i];
        }
        return null;
    }

    function result(id, status, fields) {
        fields = fields || {};
        fields.id = id;
        fields.status = status;
        send("result", fields);
    }

    function settle(w, status) {
        var id = idOf(w);
        var pending = pendingFrames[id];
        if (!pending) return;
        delete pendingFrames[id];
        pending.timer.stop();
        result(pending.command, status, { frame: rect(w.frameGeometry) });
    }

    // A Wayland client takes its new size only when it commits, and may round it (a
    // terminal to whole character cells): the answer is the frame it actually took.
    // KWin applies a script's frame as given, below a client's minimum or above its
    // maximum size too (an X11 client then draws clipped): the frame keeps the limits at
    // its top-left corner, as a window manager would.
    function limited(w, f) {
        var frame = w.frameGeometry, client = w.clientGeometry || frame;
        var min = w.minSize || { width: 0, height: 0 };
        var max = w.maxSize || { width: Infinity, height: Infinity };
        var bw = frame.width - client.width, bh = frame.height - client.height;
        function clamp(v, lo, hi) {
            if (hi > 0 && v > hi) v = hi;
            return lo > 0 && v < lo ? lo : v;
        }
        return { x: f.x, y: f.y, w: clamp(f.w, min.width + bw, max.width + bw),
                 h: clamp(f.h, min.height + bh, max.height + bh) };
    }

    function setFrame(c, w) {
        var f = limited(w, c.frame);
        if (pendingFrames[idOf(w)]) settle(w, "timedOut");  // superseded
        var before = rect(w.frameGeometry);
        var sizeKept = before.w === f.w && before.h === f.h;
        var pending = {
            command: c.id,
            sizeAnswered: function (now) {
                return sizeKept || now.w !== before.w || now.h !== before.h;
            },
            timer: singleShot(function () { settle(w, "timedOut"); })
        };
        pendingFrames[idOf(w)] = pending;
        pending.timer.start(SETTLE_MS);
        w.frameGeometry = { x: f.x, y: f.y, width: f.w, height: f.h };
        var now = rect(w.frameGeometry);
        if (now.x === f.x && now.y === f.y && now.w === f.w && now.h === f.h) {
            settle(w, "settled");
        }
    }

    // Of several of Kelvra's windows with the caption, the topmost: a panel that replaces
    // another of its kind is mapped (and stacked) after it, while the one it replaces may
    // not be unmapped yet.
    function ownWindow(c) {
        var found = null;
        api.windows().forEach(function (w) {
            if (Number(w.pid) !== c.pid || (c.title !== "" && String(w.caption) !== c.title)) {
                return;
            }
            if (!found || (w.stackingOrder || 0) >= (found.stackingOrder || 0)) found = w;
        });
        return found;
    }

    function placeOwn(c) {
        var w = ownWindow(c);
        if (w) {
            if (c.style !== false) {
                w.keepAbove = !!c.keepAbove;
                w.skipTaskbar = !!c.skipTaskbar;
                w.skipPager = !!c.skipTaskbar;
                w.skipSwitcher = !!c.skipSwitcher;
            }
            if (c.frame) {
                w.frameGeometry = { x: c.frame.x, y: c.frame.y, width: c.frame.w,
                                    height: c.frame.h };
            }
            // A Wayland client may not take the focus itself; its own windows get it here.
            if (c.activate) api.activate(w);
            return result(c.id, "done", { window: idOf(w) });
        }
        result(c.id, "noWindow");
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
            if (c.cmd === "setFrame") return setFrame(c, w);
            if (c.cmd === "raise") api.raise(w);
            else if (c.ifActive === undefined ||
                     (api.active() && idOf(api.active()) === String(c.ifActive))) {
                api.activate(w);
            }
            return result(c.id, "done");
        case "getPointer":
            return result(c.id, "done", { pointer: pointer() });
        case "list":
            return send("snapshot", desktop(c.id));
        case "placeOwn":
            return placeOwn(c);
        default:
            log("unknown command " + c.cmd);
            return result(c.id, "failed");
        }
    }

    // ---- Events ----

    var frames = {};   // window id -> last frame reported
    var moving = {};   // window id -> true during a move the user drives

    function frameChanged(w) {
        var id = idOf(w);
        var now = rect(w.frameGeometry);
        var pending = pendingFrames[id];
        if (pending && pending.sizeAnswered(now)) settle(w, "settled");
        var was = frames[id];
        frames[id] = now;
        if (moving[id]) return;  // the move's steps carry the frame
        var resized = !was || was.w !== now.w || was.h !== now.h;
        send(resized ? "windowResized" : "windowMoved", { window: id, frame: now });
    }

    function moveEvent(type, w) {
        send(type, { window: idOf(w), frame: rect(w.frameGeometry), pointer: pointer() });
    }

    function watch(w) {
        if (!relevant(w)) return false;
        frames[idOf(w)] = rect(w.frameGeometry);
        on(w.frameGeometryChanged, guarded("frame", function () { frameChanged(w); }));
        on(w.minimizedChanged, guarded("minimized", function () {
            send("windowMinimized", { window: idOf(w), minimized: !!w.minimized });
        }));
        api.onMoveResize(w, guarded("move", function () {
            if (w.resize) return;  // only moves: resizing by the edges is left to KWin
            moving[idOf(w)] = true;
            moveEvent("moveStarted", w);
        }), guarded("move", function () {
            if (moving[idOf(w)]) moveEvent("moveStepped", w);
        }), guarded("move", function () {
            if (!moving[idOf(w)]) return;
            delete moving[idOf(w)];
            frames[idOf(w)] = rect(w.frameGeometry);
            moveEvent("moveFinished", w);
        }));
        return true;
    }

    // KWin activates a new window before it announces it: the activation is reported
    // after the window, so that Kelvra knows the window it names.
    api.onWindowAdded(guarded("windowAdded", function (w) {
        if (!watch(w)) return;
        send("windowAdded", { window: snapshot(w) });
        if (api.active() === w) send("windowActivated", { window: idOf(w) });
    }));
    api.onWindowRemoved(guarded("windowRemoved", function (w) {
        if (!frames[idOf(w)]) return;  // never announced
        var id = idOf(w);
        var pending = pendingFrames[id];
        if (pending) {
            delete pendingFrames[id];
            pending.timer.stop();
            result(pending.command, "noWindow");
        }
        delete frames[id];
        delete moving[id];
        send("windowRemoved", { window: id });
    }));
    api.onWindowActivated(guarded("windowActivated", function (w) {
        if (relevant(w) && !frames[idOf(w)]) return;  // not announced yet
        send("windowActivated", { window: relevant(w) ? idOf(w) : "" });
    }));
    // A panel that comes, goes or changes size changes the work areas without any signal
    // of the screens: they are read again a moment after (KWin settles them after the
    // window's own signal) and reported when they differ from what Kelvra has.
    var reportedScreens = "";
    var areasCheck = singleShot(function () {
        var now = screens();
        if (JSON.stringify(now) === reportedScreens) return;
        reportedScreens = JSON.stringify(now);
        send("screensChanged", { screens: now });
    });
    function checkAreasSoon() { areasCheck.start(50); }
    function watchPanel(w) {
        if (w && w.dock) on(w.frameGeometryChanged, guarded("panel", checkAreasSoon));
    }
    api.onWindowAdded(guarded("panelAdded", function (w) {
        watchPanel(w);
        if (w && w.dock) checkAreasSoon();
    }));
    api.onWindowRemoved(guarded("panelRemoved", function (w) {
        if (w && w.dock) checkAreasSoon();
    }));
    api.onScreensChanged(guarded("screensChanged", function () {
        var now = screens();
        reportedScreens = JSON.stringify(now);
        send("screensChanged", { screens: now });
    }));
    api.windows().forEach(guarded("watch", watch));
    api.windows().forEach(guarded("panel", watchPanel));

    hello();
    return { apiGeneration: api.generation };
}

if (typeof module === "object" && module.exports) {
    module.exports = { kelvraBridge: kelvraBridge };
} else {
    kelvraBridge({ workspace: workspace, callDBus: callDBus, print: print, QTimer: QTimer,
                   KWin: KWin });
}
