/*
    The entry GNOME 43 and 44 load (legacy imports). GNOME 45 and later load
    extension-esm.js instead, which does the same as an ES module; both only gather the
    shell's modules and start the bridge.
*/
/* exported init */

const { Clutter, Gio, GLib, Meta, Shell, St } = imports.gi;
const Main = imports.ui.main;
const PanelMenu = imports.ui.panelMenu;
const PopupMenu = imports.ui.popupMenu;
const Config = imports.misc.config;
const Me = imports.misc.extensionUtils.getCurrentExtension();

class KelvraBridgeExtension {
    enable() {
        const host = Me.imports.host.gnomeHost({
            Gio, GLib, Meta, Shell, St, Clutter, global, Main, PanelMenu, PopupMenu, log,
            dir: Me.path,
            generation: Number(Config.PACKAGE_VERSION.split(".")[0]),
        });
        this._bridge = Me.imports.bridge.kelvraBridge(host);
    }

    disable() {
        this._bridge?.stop();
        this._bridge = null;
    }
}

function init() {
    return new KelvraBridgeExtension();
}
