/*
    Test-only: the end-to-end tests read the shell's windows and Kelvra's top-bar button back
    through this (the shell's own Eval needs its unsafe mode), and the gallery takes
    screenshots through it (the shell's Screenshot interface answers only its own tools).
    Runs nothing sent.
*/
/* exported init */

const { Gio, Meta, Shell } = imports.gi;
const Main = imports.ui.main;

const INTERFACE = `<node><interface name="io.github.kelvra.Probe">
  <method name="Windows"><arg type="s" direction="out"/></method>
  <method name="Screenshot">
    <arg type="i" direction="in"/><arg type="i" direction="in"/>
    <arg type="i" direction="in"/><arg type="i" direction="in"/>
    <arg type="s" direction="in"/>
  </method>
</interface></node>`;

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

class Extension {
    enable() {
        this._object = Gio.DBusExportedObject.wrapJSObject(INTERFACE, new Probe());
        this._object.export(Gio.DBus.session, "/Probe");
        this._name = Gio.bus_own_name_on_connection(Gio.DBus.session, "io.github.kelvra.Probe",
                                                    Gio.BusNameOwnerFlags.NONE, null, null);
    }

    disable() {
        Gio.bus_unown_name(this._name);
        this._object.unexport();
    }
}

function init() {
    return new Extension();
}
