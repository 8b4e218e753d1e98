/*
    The entry GNOME 45 and later load (an ES module, installed as extension.js); see
    extension.js for GNOME 43 and 44. Both only gather the shell's modules and start the
    bridge.
*/

import Gio from "gi://Gio";
import GLib from "gi://GLib";
import Meta from "gi://Meta";
import Shell from "gi://Shell";
import St from "gi://St";
import Clutter from "gi://Clutter";
import * as Main from "resource:///org/gnome/shell/ui/main.js";
import * as PanelMenu from "resource:///org/gnome/shell/ui/panelMenu.js";
import * as PopupMenu from "resource:///org/gnome/shell/ui/popupMenu.js";
import * as Config from "resource:///org/gnome/shell/misc/config.js";
import { Extension } from "resource:///org/gnome/shell/extensions/extension.js";

import { kelvraBridge } from "./bridge.js";
import { gnomeHost } from "./host.js";

export default class KelvraBridgeExtension extends Extension {
    enable() {
        const host = gnomeHost({
            Gio, GLib, Meta, Shell, St, Clutter, global, Main, PanelMenu, PopupMenu,
            log: console.log,
            dir: this.path,
            generation: Number(Config.PACKAGE_VERSION.split(".")[0]),
        });
        this._bridge = kelvraBridge(host);
    }

    disable() {
        this._bridge?.stop();
        this._bridge = null;
    }
}
