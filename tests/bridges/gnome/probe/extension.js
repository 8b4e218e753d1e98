/*
    Test-only: the end-to-end tests read the shell's windows and Kelvra's top-bar button back
    through this (the shell's own Eval needs its unsafe mode), and the gallery takes
    screenshots through it (the shell's Screenshot interface answers only its own tools).
    The benchmark hears every window's frame change from it (stamped inside the shell) and
    sets its floor's frames with it: two fixed accelerators move the focused window to frames
    sent as plain numbers. Runs nothing sent.
*/
/* exported init */

const { Gio, GLib, Meta, Shell } = imports.gi;
const Main = imports.ui.main;

const INTERFACE = `<node><interface name="io.github.kelvra.Probe">
  <method name="Windows"><arg type="s" direction="out"/></method>
  <method name="Screenshot">
    <arg type="i" direction="in"/><arg type="i" direction="in"/>
    <arg type="i" direction="in"/><arg type="i" direction="in"/>
    <arg type="s" direction="in"/>
  </method>
  <method name="SetFloorFrames"><arg type="s" direction="in"/></method>
  <signal name="Frame"><arg type="s"/></signal>
</interface></node>`;

// The benchmark's floor: these accelerators set the focused window's frame directly.
const FLOOR_ACCELERATORS = ["<Control><Alt><Shift>F9", "<Control><Alt><Shift>F10"];

// Where an actor is on the stage, in logical pixels.
function box(actor) {
    const [x, y] = actor.get_transformed_position();
    const [w, h] = actor.get_transformed_size();
    return { x, y, w, h };
}

// Kelvra's top-bar button and its menu's items (title, shortcut, where), or null.
function topBar() {
    const button = Main.panel.statusArea.kelvra;
    if (!button) return null;
    const items = button.menu._getMenuItems().map((item) => {
        const shortcut = item.get_children().find((c) => c.has_style_class_name?.("kelvra-shortcut"));
        return { title: item.label ? item.label.text : "", shortcut: shortcut ? shortcut.text : "",
                 sensitive: item.reactive, ...box(item) };
    });
    return { ...box(button), open: button.menu.isOpen, items };
}

class Probe {
    constructor() {
        this.floorFrames = [];
    }

    // [{x, y, w, h}, ...] for the floor's accelerators, in their order.
    SetFloorFrames(text) {
        this.floorFrames = JSON.parse(text).map((f) => [f.x, f.y, f.w, f.h].map(Number));
    }

    // The area (logical pixels) as a PNG at `path`, in the monitor's own pixels.
    ScreenshotAsync([x, y, w, h, path], invocation) {
        try {
            const stream = Gio.File.new_for_path(path).replace(null, false,
                                                               Gio.FileCreateFlags.NONE, null);
            new Shell.Screenshot().screenshot_area(x, y, w, h, stream, (shot, result) => {
                try {
                    shot.screenshot_area_finish(result);
                    stream.close(null);
                    invocation.return_value(null);
                } catch (e) {
                    invocation.return_dbus_error("io.github.kelvra.Probe.Failed", String(e));
                }
            });
        } catch (e) {
            invocation.return_dbus_error("io.github.kelvra.Probe.Failed", String(e));
        }
    }

    Windows() {
        const focus = global.display.focus_window;
        const tracker = Shell.WindowTracker.get_default();
        const windows = global.get_window_actors().map((a) => a.get_meta_window())
            .filter((w) => w).map((w) => {
                const f = w.get_frame_rect();
                return { id: String(w.get_id()), title: w.get_title() || "", pid: w.get_pid(),
                         x: f.x, y: f.y, w: f.width, h: f.height, active: w === focus,
                         above: w.is_above(), minimized: w.minimized,
                         app: tracker.get_window_app(w)?.get_id() ?? "",
                         skipTaskbar: !!w.skip_taskbar,  // what the switchers and Overview read
                         x11: w.get_client_type() === Meta.WindowClientType.X11 };
            });
        const [px, py] = global.get_pointer();
        return JSON.stringify({ windows, pointer: { x: px, y: py }, topBar: topBar(),
                                grab: global.display.get_grab_op?.() ?? null });
    }
}

// Emits Frame for every change of a window's frame, with the shell's monotonic time (µs),
// so the benchmark times the change where it happened, not when its loop got to it.
class FrameReporter {
    constructor(object) {
        this._object = object;
        this._windows = new Map();  // window -> [signal ids, last frame text]
        this._created = global.display.connect("window-created", (d, w) => this._watch(w));
        global.get_window_actors().forEach((a) => this._watch(a.get_meta_window()));
    }

    _watch(window) {
        if (!window || this._windows.has(window)) return;
        const report = () => this._report(window);
        const ids = ["position-changed", "size-changed"].map((s) => window.connect(s, report));
        ids.push(window.connect("unmanaged", () => this._forget(window)));
        this._windows.set(window, [ids, ""]);
    }

    _report(window) {
        const f = window.get_frame_rect();
        const text = [f.x, f.y, f.width, f.height].join(",");
        const entry = this._windows.get(window);
        if (!entry || entry[1] === text) return;
        entry[1] = text;
        this._object.emit_signal("Frame", new GLib.Variant("(s)", [JSON.stringify({
            pid: window.get_pid(), x: f.x, y: f.y, w: f.width, h: f.height,
            t: GLib.get_monotonic_time() })]));
    }

    _forget(window) {
        this._windows.get(window)?.[0].forEach((id) => window.disconnect(id));
        this._windows.delete(window);
    }

    destroy() {
        [...this._windows.keys()].forEach((w) => this._forget(w));
        global.display.disconnect(this._created);
    }
}

class Extension {
    enable() {
        const probe = new Probe();
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE, probe);
        this._object.export(Gio.DBus.session, "/Probe");
        this._frames = new FrameReporter(this._object);
        this._actions = FLOOR_ACCELERATORS.map((a) => global.display.grab_accelerator(
            a, Meta.KeyBindingFlags.NONE));
        this._actions.forEach((action) => Main.wm.allowKeybinding(
            Meta.external_binding_name_for_action(action), Shell.ActionMode.ALL));
        this._accelerator = global.display.connect("accelerator-activated", (d, action) => {
            const frame = probe.floorFrames[this._actions.indexOf(action)];
            const window = global.display.focus_window;
            if (!frame || !window) return;
            if (window.get_maximized()) window.unmaximize(Meta.MaximizeFlags.BOTH);
            // Xwayland windows take the position first, as the bridge does it.
            if (window.get_client_type() === Meta.WindowClientType.X11)
                window.move_frame(true, frame[0], frame[1]);
            window.move_resize_frame(true, ...frame);
        });
        this._name = Gio.bus_own_name_on_connection(Gio.DBus.session, "io.github.kelvra.Probe",
                                                    Gio.BusNameOwnerFlags.NONE, null, null);
    }

    disable() {
        global.display.disconnect(this._accelerator);
        this._actions.forEach((a) => global.display.ungrab_accelerator(a));
        this._frames.destroy();
        Gio.bus_unown_name(this._name);
        this._object.unexport();
    }
}

function init() {
    return new Extension();
}
