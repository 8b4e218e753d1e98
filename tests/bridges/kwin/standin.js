// A stand-in for what KWin gives a script (workspace, callDBus, QTimer, print,
// registerShortcut, KWin), in the 5.27 or the Plasma 6 flavour, on a virtual clock.
// Windows commit a requested frame after `commitMs` (0: at once, as an Xwayland window
// does; null: never), rounded to `step` pixels as a terminal rounds to its cells; with
// `positionFirst` the new position shows at once and the size follows with the commit.
"use strict";

const path = require("node:path");
const { kelvraBridge } = require(path.join(__dirname, "../../../data/bridges/common/bridge.js"));
const { kwinHost } = require(
    path.join(__dirname, "../../../data/bridges/kwin/contents/code/main.js"));

class Signal {
    constructor() { this.slots = []; }
    connect(fn) { this.slots.push(fn); }
    emit(...args) { for (const fn of [...this.slots]) fn(...args); }
}

class Clock {
    constructor() { this.now = 0; this.timers = new Set(); }
    // Runs every timer due within `ms`, in order of their deadlines.
    advance(ms) {
        const end = this.now + ms;
        for (;;) {
            let next = null;
            for (const t of this.timers) {
                if (t.due <= end && (!next || t.due < next.due)) next = t;
            }
            if (!next) break;
            this.now = next.due;
            this.timers.delete(next);
            next.fire();
        }
        this.now = end;
    }
}

function makeTimerClass(clock) {
    return class QTimer {
        constructor() {
            this.interval = 0;
            this.singleShot = false;
            this.timeout = new Signal();
            this.entry = null;
        }
        get active() { return this.entry !== null; }
        start() {
            this.stop();
            this.entry = { due: clock.now + this.interval, fire: () => {
                this.entry = null;
                if (!this.singleShot) this.start();
                this.timeout.emit();
            } };
            clock.timers.add(this.entry);
        }
        stop() {
            if (this.entry) clock.timers.delete(this.entry);
            this.entry = null;
        }
    };
}

let nextId = 1;

function makeWindow(desktop, props) {
    const w = {
        internalId: `{w${nextId++}}`, pid: 100, caption: "Window", resourceClass: "app",
        desktopFileName: "", normalWindow: true, dialog: false, utility: false,
        minimized: false, resize: false, keepAbove: false, skipTaskbar: false,
        skipSwitcher: false, skipPager: false, commitMs: 0, step: 1,
        frameGeometryChanged: new Signal(), minimizedChanged: new Signal(),
    };
    let frame = { x: 0, y: 0, width: 400, height: 300 };
    Object.assign(w, props);
    if (props && props.frame) frame = { ...props.frame };
    const moveSignals = desktop.generation === 5
        ? ["clientStartUserMovedResized", "clientStepUserMovedResized",
           "clientFinishUserMovedResized"]
        : ["interactiveMoveResizeStarted", "interactiveMoveResizeStepped",
           "interactiveMoveResizeFinished"];
    for (const name of moveSignals) w[name] = new Signal();
    w.moveSignals = moveSignals;
    const commit = (f) => {
        const old = frame;
        frame = { x: f.x, y: f.y, width: Math.round(f.width / w.step) * w.step,
                  height: Math.round(f.height / w.step) * w.step };
        w.frameGeometryChanged.emit(w, old);
    };
    Object.defineProperty(w, "frameGeometry", {
        get: () => ({ ...frame }),
        set: (f) => {
            if (w.commitMs === 0) return commit(f);
            if (w.positionFirst) commit({ ...f, width: frame.width, height: frame.height });
            if (w.commitMs === null) return;
            const t = new desktop.g.QTimer();
            t.singleShot = true;
            t.interval = w.commitMs;
            t.timeout.connect(() => commit(f));
            t.start();
        },
    });
    w.setFrameNow = commit;  // what the user's drag does
    return w;
}

// The desktop a test drives: `g` goes to the script; `calls` collects its D-Bus calls.
function makeDesktop(generation) {
    const clock = new Clock();
    const d = { generation, clock, calls: [], log: [], windows: [], active: null,
                shortcuts: {} };
    const screens = [{ name: "Virtual-1", geometry: { x: 0, y: 0, width: 1440, height: 900 },
                       panel: 40 }];
    const KWin = { MaximizeArea: 2, ScreenArea: 7 };
    const area = (option, screen) => {
        const s = typeof screen === "number" ? screens[screen] : screen;
        const g = s.geometry;
        return option === KWin.MaximizeArea
            ? { x: g.x, y: g.y, width: g.width, height: g.height - s.panel } : { ...g };
    };
    const ws = { cursorPos: { x: 10, y: 20 }, currentDesktop: 1, clientArea: area,
                 virtualScreenGeometryChanged: new Signal() };
    const added = new Signal(), removed = new Signal(), activated = new Signal();
    const activate = (w) => { d.active = w; activated.emit(w); };
    if (generation === 5) {
        Object.assign(ws, { clientList: () => [...d.windows], clientAdded: added,
                            clientRemoved: removed, clientActivated: activated,
                            numberScreensChanged: new Signal(), screenResized: new Signal() });
        Object.defineProperty(ws, "activeClient", { get: () => d.active, set: activate });
        Object.defineProperty(ws, "numScreens", { get: () => screens.length });
    } else {
        Object.assign(ws, { windowList: () => [...d.windows], windowAdded: added,
                            windowRemoved: removed, windowActivated: activated,
                            screensChanged: new Signal(),
                            raiseWindow: (w) => { d.raised = w; } });
        Object.defineProperty(ws, "activeWindow", { get: () => d.active, set: activate });
        Object.defineProperty(ws, "screens", { get: () => screens.map((s) => ({ ...s })) });
    }
    d.g = {
        workspace: ws, KWin, QTimer: makeTimerClass(clock),
        print: (text) => d.log.push(String(text)),
        registerShortcut: (name, text, keys, fn) => { d.shortcuts[name] = fn; },
        callDBus: (service, objectPath, iface, method, arg, callback) => {
            d.calls.push({ service, objectPath, iface, method, message: JSON.parse(arg),
                           answer: (reply) => callback(typeof reply === "string"
                               ? reply : JSON.stringify(reply)) });
        },
    };
    d.workspace = ws;
    d.screens = screens;
    // A new window; `activated` makes it active first, before it is announced, as KWin
    // does with a window that opens in front.
    d.addWindow = (props, activated) => {
        const w = makeWindow(d, props || {});
        d.windows.push(w);
        if (activated) activate(w);
        added.emit(w);
        return w;
    };
    d.removeWindow = (w) => {
        d.windows = d.windows.filter((x) => x !== w);
        removed.emit(w);
    };
    d.activate = activate;
    d.changeScreens = () => (generation === 5 ? ws.screenResized : ws.screensChanged).emit();
    // The user drags `w` by its title bar through `steps` frames (pointer at the frame's
    // top-left corner plus 10,10).
    d.drag = (w, steps) => {
        const [start, step, finish] = w.moveSignals;
        w[start].emit(w);
        for (const f of steps) {
            ws.cursorPos = { x: f.x + 10, y: f.y + 10 };
            w.setFrameNow(f);
            w[step].emit(w, f);
        }
        w[finish].emit(w);
    };
    d.start = () => kelvraBridge(kwinHost(d.g));
    // The D-Bus calls of `method` (all methods when none is given) not taken before.
    d.take = (method) => {
        const fresh = d.calls.filter((c) => !c.taken && (!method || c.method === method));
        for (const c of fresh) c.taken = true;
        return fresh;
    };
    return d;
}

module.exports = { makeDesktop, Clock, Signal };
