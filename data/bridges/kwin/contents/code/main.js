/*
    Kelvra's bridge inside KWin. On Wayland only the compositor may move other
    applications' windows, so this script does it on Kelvra's behalf: it reports the
    desktop to Kelvra and carries out Kelvra's commands. The conversation itself is the
    bridge every compositor shares (data/bridges/common/bridge.js, put before this file
    when the package is assembled: scripts/bridge-package.sh); this file is what it needs
    from KWin, for KWin 5.27 and Plasma 6.

    A plain script, no modules: KWin 5.27 loads it as it is, and the tests load it in
    node and hand kwinHost a stand-in of KWin's globals.
*/

function kwinHost(g) {
    "use strict";

    var SERVICE = "io.github.kelvra.Bridge";
    var PATH = "/Bridge";
    var INTERFACE = "io.github.kelvra.Bridge";

    function on(signal, fn) {
        if (signal && typeof signal.connect === "function") signal.connect(fn);
    }

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

    function rect(r) {
        return { x: Number(r.x), y: Number(r.y), w: Number(r.width), h: Number(r.height) };
    }

    return {
        name: "kwin",
        generation: generation,
        log: function (text) { g.print(text); },
        // KWin never calls back when a call fails: the bridge's watchdog covers it.
        call: function (method, text, onReply) {
            g.callDBus(SERVICE, PATH, INTERFACE, method, text, onReply);
        },
        timer: function (fn) {
            var t = new g.QTimer();
            t.singleShot = true;
            t.timeout.connect(fn);
            return {
                start: function (ms) {
                    t.stop();
                    t.interval = ms;
                    t.start();
                },
                stop: function () { t.stop(); }
            };
        },
        // Bottom to top, as the protocol lists them (both APIs number the stack).
        windows: function () {
            return ws[names.list]().sort(function (a, b) {
                return (a.stackingOrder || 0) - (b.stackingOrder || 0);
            });
        },
        active: function () { return ws[names.active]; },
        // Panels, the desktop and pop-up menus are the compositor's business, not Kelvra's.
        relevant: function (w) {
            return !!w && !w.desktopWindow && !w.dock && !w.popupWindow && !w.deleted;
        },
        idOf: function (w) { return String(w.internalId); },
        describe: function (w) {
            return {
                pid: Number(w.pid) || 0,
                appId: String(w.desktopFileName || w.resourceClass || ""),
                kind: w.normalWindow ? "normal" : w.dialog ? "dialog"
                                                : w.utility ? "utility" : "other",
                minimized: !!w.minimized,
                title: String(w.caption || "")
            };
        },
        frame: function (w) { return rect(w.frameGeometry); },
        // KWin applies a script's frame without the client's size limits: the bridge
        // keeps them (in frame terms: the client's limits plus its decorations).
        limits: function (w) {
            var frame = w.frameGeometry, client = w.clientGeometry || frame;
            var min = w.minSize || { width: 0, height: 0 };
            var max = w.maxSize || { width: 0, height: 0 };
            var bw = frame.width - client.width, bh = frame.height - client.height;
            return { minW: min.width > 0 ? min.width + bw : 0,
                     minH: min.height > 0 ? min.height + bh : 0,
                     maxW: max.width > 0 ? max.width + bw : 0,
                     maxH: max.height > 0 ? max.height + bh : 0 };
        },
        // Panels of other desktops' shells running here (X11 docks through Xwayland).
        isPanel: function (w) { return !!w && !!w.dock; },
        setFrame: function (w, f) {
            w.frameGeometry = { x: f.x, y: f.y, width: f.w, height: f.h };
        },
        setStyles: function (w, styles) {
            w.keepAbove = styles.keepAbove;
            w.skipTaskbar = styles.skipTaskbar;
            w.skipPager = styles.skipTaskbar;
            w.skipSwitcher = styles.skipSwitcher;
        },
        activate: function (w) { ws[names.active] = w; },
        raise: function (w) {
            // 5.27 offers scripts no raise of its own; activating raises.
            if (typeof ws.raiseWindow === "function") ws.raiseWindow(w);
            else ws[names.active] = w;
        },
        pointer: function () {
            var p = ws.cursorPos;
            return { x: Number(p.x), y: Number(p.y) };
        },
        // 5.27 numbers the screens; Plasma 6 hands out output objects.
        screens: function () {
            var outputs = generation === 5 ? [] : ws.screens;
            for (var i = 0; generation === 5 && i < ws.numScreens; ++i) outputs.push(i);
            return outputs.map(function (output) {
                return {
                    name: String(generation === 5 ? output : output.name),
                    geometry: rect(generation === 5 ? area(g.KWin.ScreenArea, output)
                                                    : output.geometry),
                    workArea: rect(area(g.KWin.MaximizeArea, output))
                };
            });
        },
        watch: function (w, handlers) {
            on(w.frameGeometryChanged, handlers.frame);
            on(w.minimizedChanged, handlers.minimized);
            // Only moves: resizing by the edges is left to KWin.
            on(w[names.move[0]], function () {
                if (!w.resize) handlers.moveStarted();
            });
            on(w[names.move[1]], handlers.moveStepped);
            on(w[names.move[2]], handlers.moveFinished);
        },
        // KWin activates a new window before it announces it; the bridge reports the
        // activation after the window.
        onWindowShown: function (fn) { on(ws[names.added], fn); },
        onWindowRemoved: function (fn) { on(ws[names.removed], fn); },
        onWindowActivated: function (fn) { on(ws[names.activated], fn); },
        onScreensChanged: function (fn) {
            names.screensChanged.forEach(function (name) { on(ws[name], fn); });
        }
    };
}

if (typeof module === "object" && module.exports) {
    module.exports = { kwinHost: kwinHost };
} else {
    kelvraBridge(kwinHost({ workspace: workspace, callDBus: callDBus, print: print,
                            QTimer: QTimer, KWin: KWin }));
}
