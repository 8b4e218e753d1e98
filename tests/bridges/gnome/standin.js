// A stand-in for what GNOME Shell gives an extension (Gio, GLib, Meta, Shell, global, Main)
// on a virtual clock, and the extension started through either entry file: the legacy one
// GNOME 43-44 load, or the ES module GNOME 45 and later load, each in the package
// scripts/bridge-package.sh assembles for it. Windows commit a requested frame after `commitMs` (0: at once; null: never),
// rounded to `step` pixels; a Wayland window shows its new position at once. An Xwayland
// window, as mutter treats it, keeps its position on a move-resize not preceded by a move.
"use strict";

const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const vm = require("node:vm");
const { execFileSync } = require("node:child_process");
const { Clock } = require("../kwin/standin.js");

const ROOT = path.join(__dirname, "../../..");

// GObject's signals: handlers get the emitter first.
class Emitter {
    constructor() { this.handlers = new Map(); this.nextHandler = 1; }
    connect(signal, fn) {
        const id = this.nextHandler++;
        this.handlers.set(id, { signal, fn });
        return id;
    }
    disconnect(id) {
        if (!this.handlers.delete(id)) throw new Error("no handler " + id);
    }
    emit(signal, ...args) {
        for (const h of [...this.handlers.values()]) if (h.signal === signal) h.fn(this, ...args);
    }
    connected() { return this.handlers.size; }
}

const Meta = {
    WindowType: { NORMAL: 0, DESKTOP: 1, DOCK: 2, DIALOG: 3, MODAL_DIALOG: 4, TOOLBAR: 5,
                  MENU: 6, UTILITY: 7, SPLASHSCREEN: 8, DROPDOWN_MENU: 9, POPUP_MENU: 10,
                  TOOLTIP: 11, NOTIFICATION: 12, COMBO: 13, DND: 14, OVERRIDE_OTHER: 15 },
    GrabOp: { NONE: 0, MOVING: 1, RESIZING_SE: 8193, KEYBOARD_MOVING: 513 },
    MaximizeFlags: { HORIZONTAL: 1, VERTICAL: 2, BOTH: 3 },
    WindowClientType: { WAYLAND: 0, X11: 1 },
    KeyBindingFlags: { NONE: 0 },
    external_binding_name_for_action: (action) => "external-grab-" + action,
};

let nextId = 1000;

// St, Clutter and the shell's pop-up menus, as far as the top-bar button uses them.
class Menu {
    constructor() { this.items = []; }
    addMenuItem(item) { this.items.push(item); }
    removeAll() { this.items = []; }
}

class MenuItem extends Emitter {
    constructor(label) {
        super();
        Object.assign(this, { label, children: [], ornament: 0, sensitive: true });
    }
    add_child(actor) { this.children.push(actor); }
    setOrnament(ornament) { this.ornament = ornament; }
    setSensitive(sensitive) { this.sensitive = sensitive; }
}

const PopupMenu = {
    Ornament: { NONE: 0, DOT: 1, CHECK: 2 },
    PopupMenuItem: MenuItem,
    PopupSeparatorMenuItem: class { constructor() { this.separator = true; } },
    PopupSubMenuMenuItem: class {
        constructor(label) { this.label = label; this.menu = new Menu(); }
    },
};
const St = {
    Icon: class { constructor(props) { Object.assign(this, props); } },
    Label: class { constructor(props) { Object.assign(this, props); } },
};
const Clutter = { ActorAlign: { START: 1, CENTER: 2, END: 3 } };

// What a menu shows, as plain data: [{ title, shortcut, checked, enabled } or
// { separator: true } or { title, submenu }].
function shownMenu(menu) {
    return menu.items.map((item) => {
        if (item.separator) return { separator: true };
        if (item.menu) return { title: item.label, submenu: shownMenu(item.menu) };
        const shortcut = item.children.find((c) => c instanceof St.Label);
        return { title: item.label, shortcut: shortcut ? shortcut.text : "",
                 checked: item.ornament === PopupMenu.Ornament.CHECK, enabled: item.sensitive };
    });
}

class Window extends Emitter {
    constructor(desktop, props) {
        super();
        Object.assign(this, { id: nextId++, pid: 100, title: "Window", wmClass: "app",
                              app: null, type: Meta.WindowType.NORMAL, x11: false,
                              overrideRedirect: false, minimized: false, above: false,
                              maximized: 0, commitMs: 0, step: 1, moved: false, shown: true },
                      props);
        this.desktop = desktop;
        this.rect = { x: 0, y: 0, width: 400, height: 300, ...(props.frame || {}) };
    }
    get_id() { return this.id; }
    get_pid() { return this.pid; }
    get_title() { return this.title; }
    get_wm_class() { return this.wmClass; }
    get_gtk_application_id() { return null; }
    get_window_type() { return this.type; }
    get_client_type() {
        return this.x11 ? Meta.WindowClientType.X11 : Meta.WindowClientType.WAYLAND;
    }
    is_override_redirect() { return this.overrideRedirect; }
    get_frame_rect() { return { ...this.rect }; }
    get_maximized() { return this.maximized; }
    unmaximize() { this.maximized = 0; }
    is_fullscreen() { return false; }
    make_above() { this.above = true; }
    unmake_above() { this.above = false; }
    is_above() { return this.above; }
    // Read-only, as mutter's property is.
    get skip_taskbar() { return false; }
    raise() { this.desktop.raised = this; }
    // What the user's drag or the client itself does.
    setFrameNow(f) {
        const old = this.rect;
        this.rect = { ...f };
        if (old.x !== f.x || old.y !== f.y) this.emit("position-changed");
        if (old.width !== f.width || old.height !== f.height) this.emit("size-changed");
    }
    move_frame(userOp, x, y) {
        this.moved = true;
        this.setFrameNow({ ...this.rect, x, y });
    }
    move_resize_frame(userOp, x, y, width, height) {
        if (this.x11 && !this.moved) ({ x, y } = this.rect);
        this.moved = false;
        const rounded = { x, y, width: Math.round(width / this.step) * this.step,
                          height: Math.round(height / this.step) * this.step };
        if (this.commitMs === 0) return this.setFrameNow(rounded);
        this.setFrameNow({ ...this.rect, x, y });
        if (this.commitMs === null) return;
        this.desktop.GLib.timeout_add(0, this.commitMs, () => this.setFrameNow(rounded));
    }
}

// The desktop a test drives; `calls` collects the extension's D-Bus calls.
function makeDesktop() {
    const clock = new Clock();
    const d = { clock, calls: [], log: [], windows: [], raised: null, grabs: new Map(),
                taken: [], allowed: new Map() };
    let nextAction = 1;
    let nextSource = 1;
    const sources = new Map();
    d.GLib = {
        PRIORITY_DEFAULT: 0, SOURCE_REMOVE: false,
        timeout_add: (priority, ms, fn) => {
            const id = nextSource++;
            const entry = { due: clock.now + ms, fire: () => { sources.delete(id); fn(); } };
            sources.set(id, entry);
            clock.timers.add(entry);
            return id;
        },
        source_remove: (id) => {
            if (!sources.has(id)) throw new Error("no source " + id);
            clock.timers.delete(sources.get(id));
            sources.delete(id);
        },
        Variant: class { constructor(type, value) { this.type = type; this.value = value; } },
        VariantType: class { constructor(type) { this.type = type; } },
    };
    d.sources = sources;
    d.watchers = new Map();
    d.peers = [];
    // A connection's call(): recorded in `d.calls`, `direct` when over the direct one.
    function caller(direct) {
        return (service, objectPath, iface, method, args, replyType, flags, timeout,
                cancellable, callback) => {
            const finish = (outcome) => callback({ call_finish: () => {
                if (outcome instanceof Error) throw outcome;
                return { deepUnpack: () => [outcome] };
            } }, {});
            d.calls.push({ service, objectPath, iface, method, timeout, direct,
                           message: JSON.parse(args.value[0]),
                           answer: (reply) => finish(typeof reply === "string"
                               ? reply : JSON.stringify(reply)),
                           fail: () => finish(new Error("ServiceUnknown")) });
        };
    }
    // Kelvra's service comes onto the bus.
    d.serviceAppears = () => { for (const appeared of d.watchers.values()) appeared(); };
    d.Gio = {
        File: { new_for_path: (p) => ({ get_path: () => p, query_exists: () => fs.existsSync(p) }) },
        FileIcon: class { constructor(props) { Object.assign(this, props); } },
        ThemedIcon: class { constructor(props) { Object.assign(this, props); } },
        DBusCallFlags: { NO_AUTO_START: 1 },
        BusNameWatcherFlags: { NONE: 0 },
        bus_watch_name_on_connection: (connection, name, flags, appeared) => {
            const id = nextSource++;
            d.watchers.set(id, appeared);
            return id;
        },
        bus_unwatch_name: (id) => d.watchers.delete(id),
        DBus: { session: { call: caller(false) } },
        DBusConnectionFlags: { AUTHENTICATION_CLIENT: 1 },
        // Kelvra's direct connection: each opening waits in `d.peers` for the test to
        // open() or refuse() it; an open one closes when Kelvra vanish()es.
        DBusConnection: {
            new_for_address: (address, flags, observer, cancellable, callback) => {
                const connection = Object.assign(new Emitter(), { call: caller(true),
                                                                  closed: false });
                connection.close = () => { connection.closed = true; };
                const finish = (outcome) => callback(null, outcome);
                d.peers.push({ address, flags, connection, open: () => finish(connection),
                               refuse: () => finish(new Error("refused")),
                               vanish: () => connection.emit("closed", true, null) });
            },
            new_for_address_finish: (outcome) => {
                if (outcome instanceof Error) throw outcome;
                return outcome;
            },
        },
    };
    d.monitors = [{ x: 0, y: 0, width: 1440, height: 900, panel: 32 }];
    const display = new Emitter();
    Object.assign(display, {
        focus_window: null,
        get_n_monitors: () => d.monitors.length,
        get_monitor_geometry: (i) => {
            const { x, y, width, height } = d.monitors[i];
            return { x, y, width, height };
        },
        get_current_time_roundtrip: () => clock.now,
        sort_windows_by_stacking: (list) => d.windows.filter((w) => list.includes(w)),
        // Combinations another program holds are in `d.taken`.
        grab_accelerator: (accelerator) => {
            if (d.taken.includes(accelerator)) return 0;
            const action = nextAction++;
            d.grabs.set(action, accelerator);
            return action;
        },
        ungrab_accelerator: (action) => d.grabs.delete(action),
    });
    // The user presses a combination: the shell activates the action holding it.
    d.press = (accelerator) => {
        for (const [action, held] of d.grabs) {
            if (held === accelerator) display.emit("accelerator-activated", action, 0, 0);
        }
    };
    d.display = display;
    d.pointer = [10, 20];
    d.global = {
        display, window_manager: new Emitter(),
        get_window_actors: () => d.windows.map((w) => ({ get_meta_window: () => w })),
        get_pointer: () => [...d.pointer, 0],
        get_current_time: () => clock.now,
        workspace_manager: { get_active_workspace: () => ({
            get_work_area_for_monitor: (i) => {
                const m = d.monitors[i];
                return { x: m.x, y: m.y + m.panel, width: m.width, height: m.height - m.panel };
            },
        }) },
    };
    d.Shell = { ActionMode: { NONE: 0, NORMAL: 1, OVERVIEW: 2, POPUP: 8 }, WindowTracker: { get_default: () => ({ get_window_app: (w) => (w.app
        ? { get_id: () => w.app + ".desktop", is_window_backed: () => false }
        : { get_id: () => "window:" + w.id, is_window_backed: () => true }) }) } };
    // Mutter focuses no window before its first frame.
    d.activate = (w) => {
        if (w && !w.shown) return;
        display.focus_window = w;
        display.emit("notify::focus-window");
    };
    // The top bar: the buttons extensions added, by role.
    const panel = {
        statusArea: {},
        addToStatusArea(role, button) {
            if (panel.statusArea[role]) throw new Error("role " + role + " is taken");
            panel.statusArea[role] = button;
            button.role = role;
        },
    };
    d.PanelMenu = { Button: class {
        constructor(alignment, name) { Object.assign(this, { name, menu: new Menu(), children: [] }); }
        add_child(actor) { this.children.push(actor); }
        destroy() { delete panel.statusArea[this.role]; }
    } };
    // Kelvra's button, its icon and its menu as shown; null without it.
    d.topBar = () => {
        const button = panel.statusArea.kelvra;
        return button ? { icon: button.children[0], name: button.accessible_name,
                          menu: shownMenu(button.menu) } : null;
    };
    // The user picks the item titled by `path` (a submenu's title first) from Kelvra's menu.
    d.choose = (...path) => {
        let menu = panel.statusArea.kelvra.menu;
        for (const title of path.slice(0, -1)) menu = menu.items.find((i) => i.label === title).menu;
        menu.items.find((i) => i.label === path[path.length - 1]).emit("activate");
    };
    d.Main = { activateWindow: (w) => d.activate(w), layoutManager: new Emitter(), panel,
               wm: { allowKeybinding: (name, modes) => d.allowed.set(name, modes) } };
    // A new window, mapped; `focused` gives it the focus first, as the shell may.
    d.addWindow = (props, focused) => {
        const w = new Window(d, props || {});
        d.windows.push(w);
        display.emit("window-created", w);
        if (focused) d.activate(w);
        if (w.shown) d.global.window_manager.emit("map", { get_meta_window: () => w });
        return w;
    };
    // The first frame of a window added with `shown: false`.
    d.show = (w) => {
        w.shown = true;
        w.emit("shown");
        d.global.window_manager.emit("map", { get_meta_window: () => w });
    };
    d.removeWindow = (w) => {
        d.windows = d.windows.filter((x) => x !== w);
        w.emit("unmanaged");
    };
    // The user drags `w` by its title bar through `frames` (pointer at each frame's
    // top-left corner plus 10,10); `op` is the grab (a move unless told).
    d.drag = (w, frames, op = Meta.GrabOp.MOVING) => {
        display.emit("grab-op-begin", w, op);
        for (const f of frames) {
            d.pointer = [f.x + 10, f.y + 10];
            w.setFrameNow(f);
        }
        display.emit("grab-op-end", w, op);
    };
    // The D-Bus calls of `method` (all methods when none is given) not taken before.
    d.take = (method) => {
        const fresh = d.calls.filter((c) => !c.taken && (!method || c.method === method));
        for (const c of fresh) c.taken = true;
        return fresh;
    };
    return d;
}

// The shell's modules as the entry files import them, for the desktop `d`.
function modules(d, version) {
    return { Gio: d.Gio, GLib: d.GLib, Meta, Shell: d.Shell, St, Clutter, Main: d.Main,
             PanelMenu: d.PanelMenu, PopupMenu, Config: { PACKAGE_VERSION: version } };
}

// The package for `flavour` in a fresh folder, which `use(folder)` reads; removed after.
function withPackage(flavour, use) {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), "kelvra-gnome-ext-"));
    try {
        execFileSync(path.join(ROOT, "scripts/bridge-package.sh"), [flavour, dir]);
        return use(dir);
    } finally {
        fs.rmSync(dir, { recursive: true });
    }
}

// Starts the extension through the legacy entry (GNOME 43-44); returns it, enabled.
function enableLegacy(d) {
    return withPackage("gnome-43", (dir) => enableLegacyFrom(d, dir));
}

function enableLegacyFrom(d, dir) {
    const m = modules(d, "43.9");
    const load = (file) => {
        const context = vm.createContext({});
        vm.runInContext(fs.readFileSync(path.join(dir, file), "utf8"), context);
        return context;
    };
    const context = vm.createContext({
        global: d.global, log: (text) => d.log.push(String(text)),
        imports: { gi: m, ui: { main: m.Main, panelMenu: m.PanelMenu, popupMenu: m.PopupMenu },
                   misc: { config: m.Config, extensionUtils: {
            getCurrentExtension: () => ({ path: dir, imports: { bridge: load("bridge.js"),
                                                                host: load("host.js") } }) } } },
    });
    vm.runInContext(fs.readFileSync(path.join(dir, "extension.js"), "utf8"), context);
    const extension = vm.runInContext("init()", context);
    extension.enable();
    return extension;
}

// Starts the extension as GNOME 45 and later load it: the package assembled for them, its
// files as ES modules; returns it, enabled.
async function enableModule(d) {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), "kelvra-gnome-ext-"));
    execFileSync(path.join(ROOT, "scripts/bridge-package.sh"), ["gnome-45", dir]);
    const m = modules(d, "45.2");
    const context = vm.createContext({
        global: d.global, console: { log: (text) => d.log.push(String(text)) } });
    const synthetic = (exports) => new vm.SyntheticModule(Object.keys(exports), function () {
        for (const [k, v] of Object.entries(exports)) this.setExport(k, v);
    }, { context });
    const shell = {
        "gi://Gio": { default: m.Gio }, "gi://GLib": { default: m.GLib },
        "gi://Meta": { default: Meta }, "gi://Shell": { default: m.Shell },
        "gi://St": { default: St }, "gi://Clutter": { default: Clutter },
        "resource:///org/gnome/shell/ui/main.js": m.Main,
        "resource:///org/gnome/shell/ui/panelMenu.js": m.PanelMenu,
        "resource:///org/gnome/shell/ui/popupMenu.js": PopupMenu,
        "resource:///org/gnome/shell/misc/config.js": m.Config,
        "resource:///org/gnome/shell/extensions/extension.js": {
            Extension: class {
                constructor(metadata) { this.metadata = metadata; }
                get path() { return this.metadata.path; }
            } },
    };
    const files = new Map();
    const file = (name) => {
        if (!files.has(name)) {
            files.set(name, new vm.SourceTextModule(
                fs.readFileSync(path.join(dir, name), "utf8"), { context, identifier: name }));
        }
        return files.get(name);
    };
    const entry = file("extension.js");
    await entry.link((specifier) => (specifier.startsWith("./")
        ? file(specifier.slice(2)) : synthetic(shell[specifier])));
    await entry.evaluate();
    const metadata = { ...JSON.parse(fs.readFileSync(path.join(dir, "metadata.json"))), path: dir };
    fs.rmSync(dir, { recursive: true });
    const extension = new entry.namespace.default(metadata);
    extension.enable();
    return extension;
}

module.exports = { makeDesktop, enableLegacy, enableModule, Meta };
