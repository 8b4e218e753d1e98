/*
    What the bridge (data/bridges/common/bridge.js) needs from GNOME Shell, in one place: the only file that
    touches mutter's and the shell's API. The entry file of each extension format hands
    in the modules it imported (`gi`: Gio, GLib, Meta, Shell, St, Clutter, global, Main,
    PanelMenu, PopupMenu, log, the shell's major version and the extension's folder), so
    this file is the same for
    GNOME 43-44 and 45 and later.
*/

function gnomeHost(gi) {
    "use strict";

    var Gio = gi.Gio, GLib = gi.GLib, Meta = gi.Meta, Shell = gi.Shell;
    var global = gi.global, Main = gi.Main;
    var display = global.display;
    var connections = [];  // [object, handler id]: all cut when the extension is disabled
    var timers = [];
    var watched = {};    // window id -> the bridge's handlers for it
    var keys = {};       // name -> { action, pressed } of each combination held for Kelvra
    var grabbed = null;  // the window the user moves with the pointer
    var watcher = 0;     // of Kelvra's name on the bus
    var SERVICE = "io.github.kelvra.Bridge";
    var peer = null;     // the direct connection to Kelvra: { connection, closed handler }
    var peerAttempt = 0;  // counts openings: one superseded meanwhile is closed at once

    function on(object, signal, fn) {
        connections.push([object, object.connect(signal, function () {
            var args = Array.prototype.slice.call(arguments, 1);
            return fn.apply(null, args);
        })]);
    }

    function rect(r) { return { x: r.x, y: r.y, w: r.width, h: r.height }; }

    var awaitingShow = [];  // windows activated before they were first shown

    // With a fresh server time: one older than the last key press loses to it, and mutter
    // then leaves the focus where it is.
    function activateNow(w) {
        Main.activateWindow(w, display.get_current_time_roundtrip());
    }

    var skipping = [];  // Kelvra's windows kept out of the Overview and the switchers

    function unskip(w) {
        delete w.skip_taskbar;
        skipping = skipping.filter(function (s) { return s !== w; });
    }

    // Panels, the desktop, menus, tooltips and unmanaged (override-redirect) surfaces are
    // the shell's business, not Kelvra's.
    var ignoredTypes = [Meta.WindowType.DESKTOP, Meta.WindowType.DOCK,
                        Meta.WindowType.DROPDOWN_MENU, Meta.WindowType.POPUP_MENU,
                        Meta.WindowType.TOOLTIP, Meta.WindowType.NOTIFICATION,
                        Meta.WindowType.COMBO, Meta.WindowType.DND];

    function kind(w) {
        switch (w.get_window_type()) {
        case Meta.WindowType.NORMAL: return "normal";
        case Meta.WindowType.DIALOG:
        case Meta.WindowType.MODAL_DIALOG: return "dialog";
        case Meta.WindowType.UTILITY: return "utility";
        default: return "other";
        }
    }

    // The desktop entry's name, as KWin's desktopFileName gives it; the window's class when
    // the shell found no entry (it then makes up a "window:N" app).
    function appId(w) {
        var app = Shell.WindowTracker.get_default().get_window_app(w);
        if (app && !app.is_window_backed() && app.get_id()) {
            return String(app.get_id()).replace(/\.desktop$/, "");
        }
        return String(w.get_wm_class() || w.get_gtk_application_id() || "");
    }

    // A move the user drives: by the pointer or by the keyboard, constrained or not.
    function isMove(op) {
        var unconstrained = Meta.GrabOp.WINDOW_FLAG_UNCONSTRAINED || 0;
        var plain = op & ~unconstrained;
        return plain === Meta.GrabOp.MOVING || plain === Meta.GrabOp.KEYBOARD_MOVING;
    }

    // Moves the user drives, for the window being watched.
    on(display, "grab-op-begin", function (w, op) {
        var handlers = w && isMove(op) ? watched[String(w.get_id())] : null;
        if (!handlers) return;
        grabbed = w;
        handlers.moveStarted();
    });
    on(display, "grab-op-end", function () {
        var handlers = grabbed ? watched[String(grabbed.get_id())] : null;
        grabbed = null;
        if (handlers) handlers.moveFinished();
    });

    on(display, "accelerator-activated", function (action) {
        Object.keys(keys).forEach(function (name) {
            if (keys[name].action === action) keys[name].pressed();
        });
    });

    // ---- The top-bar button: GNOME has no tray, so Kelvra's menu lives here ----

    var button = null;  // the panel button while Kelvra has sent a menu
    var buttonIcon = null;
    var PAUSED_OPACITY = 115;  // 45 %, as the tray's icon fades when paused

    // Kelvra's icon as the extension ships it, so that a build that was never installed
    // shows it too; the icon theme's when the extension has none.
    function kelvraIcon() {
        var file = gi.dir ? Gio.File.new_for_path(gi.dir + "/kelvra.png") : null;
        return file && file.query_exists(null) ? new Gio.FileIcon({ file: file })
                                               : new Gio.ThemedIcon({ name: "kelvra" });
    }

    function dropButton() {
        if (!button) return;
        button.destroy();
        button = null;
        buttonIcon = null;
    }

    function fillMenu(menu, items, chosen) {
        items.forEach(function (item) {
            if (item.separator) {
                return menu.addMenuItem(new gi.PopupMenu.PopupSeparatorMenuItem());
            }
            if (item.submenu.length) {
                var sub = new gi.PopupMenu.PopupSubMenuMenuItem(item.title);
                fillMenu(sub.menu, item.submenu, chosen);
                return menu.addMenuItem(sub);
            }
            var entry = new gi.PopupMenu.PopupMenuItem(item.title);
            if (item.shortcut) {
                entry.add_child(new gi.St.Label({ text: item.shortcut, x_expand: true,
                                                  x_align: gi.Clutter.ActorAlign.END,
                                                  style_class: "kelvra-shortcut" }));
            }
            entry.setOrnament(item.checked ? gi.PopupMenu.Ornament.CHECK
                                           : gi.PopupMenu.Ornament.NONE);
            entry.setSensitive(item.enabled);
            entry.connect("activate", function () { chosen(item.id); });
            menu.addMenuItem(entry);
        });
    }

    // Shows `menu` (null: no button) and calls `chosen` with the id of an item picked.
    function setMenu(menu, chosen) {
        if (!menu) return dropButton();
        if (!button) {
            button = new gi.PanelMenu.Button(0.0, "Kelvra", false);
            buttonIcon = new gi.St.Icon({ fallback_icon_name: "view-grid-symbolic",
                                          style_class: "system-status-icon" });
            button.add_child(buttonIcon);
            Main.panel.addToStatusArea("kelvra", button);
        }
        // Every other state is a warning: the theme's warning sign, tinted (stylesheet.css).
        var warning = menu.icon !== "normal" && menu.icon !== "paused";
        buttonIcon.gicon = warning ? new Gio.ThemedIcon({ name: "dialog-warning-symbolic" })
                                   : kelvraIcon();
        buttonIcon.style_class = "system-status-icon" + (warning ? " kelvra-attention" : "");
        buttonIcon.opacity = menu.icon === "paused" ? PAUSED_OPACITY : 255;
        button.accessible_name = menu.toolTip || "Kelvra";
        button.menu.removeAll();
        fillMenu(button.menu, menu.items, chosen);
    }

    function closePeer() {
        peerAttempt += 1;
        if (!peer) return;
        var open = peer;
        peer = null;
        open.connection.disconnect(open.closed);
        open.connection.close(null, null);
    }

    // Kelvra's direct connection: its calls and answers skip the bus daemon. Only a socket
    // path is taken, and the connection authenticates as the user's own.
    function openPeer(address, onOpen, onClosed) {
        closePeer();
        var attempt = peerAttempt;
        if (!/^unix:path=/.test(address)) return onOpen(false);
        Gio.DBusConnection.new_for_address(
            address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT, null, null,
            function (source, res) {
                var connection;
                try {
                    connection = Gio.DBusConnection.new_for_address_finish(res);
                } catch (e) {
                    if (attempt === peerAttempt) onOpen(false);
                    return;
                }
                if (attempt !== peerAttempt) return connection.close(null, null);
                var opened = { connection: connection };
                opened.closed = connection.connect("closed", function () {
                    if (peer !== opened) return;
                    peer = null;
                    onClosed();
                });
                peer = opened;
                onOpen(true);
            });
    }

    function releaseKey(name) {
        var key = keys[name];
        if (!key) return;
        delete keys[name];
        display.ungrab_accelerator(key.action);
        Main.wm.allowKeybinding(Meta.external_binding_name_for_action(key.action),
                                Shell.ActionMode.NONE);
    }

    return {
        name: "gnome",
        generation: gi.generation,
        log: gi.log,
        // Over the direct connection while one is open, a hello always over the bus.
        call: function (method, text, onReply, onFailed) {
            var direct = peer && method !== "Hello" ? peer.connection : null;
            (direct || Gio.DBus.session).call(
                direct ? null : SERVICE, "/Bridge", "io.github.kelvra.Bridge", method,
                new GLib.Variant("(s)", [text]), new GLib.VariantType("(s)"),
                Gio.DBusCallFlags.NO_AUTO_START, 30000, null, function (connection, res) {
                    var answer;
                    try {
                        answer = connection.call_finish(res).deepUnpack()[0];
                    } catch (e) {
                        return onFailed();  // Kelvra is not there
                    }
                    onReply(answer);
                });
        },
        timer: function (fn) {
            var t = { source: 0 };
            timers.push(t);
            t.stop = function () {
                if (t.source) GLib.source_remove(t.source);
                t.source = 0;
            };
            t.start = function (ms) {
                t.stop();
                t.source = GLib.timeout_add(GLib.PRIORITY_DEFAULT, ms, function () {
                    t.source = 0;
                    fn();
                    return GLib.SOURCE_REMOVE;
                });
            };
            return t;
        },
        // Bottom to top, as the protocol lists them.
        windows: function () {
            var list = global.get_window_actors().map(function (a) { return a.get_meta_window(); });
            return display.sort_windows_by_stacking(list.filter(function (w) { return !!w; }));
        },
        active: function () { return display.focus_window; },
        relevant: function (w) {
            return !!w && !w.is_override_redirect() &&
                   ignoredTypes.indexOf(w.get_window_type()) < 0;
        },
        idOf: function (w) { return String(w.get_id()); },
        describe: function (w) {
            return { pid: Number(w.get_pid()) || 0, appId: appId(w), kind: kind(w),
                     minimized: !!w.minimized, title: String(w.get_title() || "") };
        },
        frame: function (w) { return rect(w.get_frame_rect()); },
        setFrame: function (w, f) {
            if (w.get_maximized()) w.unmaximize(Meta.MaximizeFlags.BOTH);
            if (w.is_fullscreen()) w.unmake_fullscreen();
            var x = Math.round(f.x), y = Math.round(f.y);
            // An Xwayland window ignores the position of a move-resize unless moved first.
            if (w.get_client_type() === Meta.WindowClientType.X11) w.move_frame(true, x, y);
            w.move_resize_frame(true, x, y, Math.round(f.w), Math.round(f.h));
        },
        // Mutter takes an Xwayland window's frame as it is set; a Wayland client's only
        // once the client commits it.
        framesAtOnce: function (w) { return w.get_client_type() === Meta.WindowClientType.X11; },
        setStyles: function (w, styles) {
            if (styles.keepAbove) {
                w.make_above();
            } else {
                w.unmake_above();
                // Mutter puts a window leaving the upper layer, or mapped just now, on top of
                // the ordinary one; it belongs under the window in front, which is raised
                // over it (mutter 43 has no call that stacks one window below another).
                var front = display.focus_window;
                if (front && front !== w) front.raise();
            }
            // Mutter 43 has no setter for skip_taskbar, and its one flag keeps a window out
            // of the Overview and both switchers, which read it from the window's wrapper:
            // a property of the wrapper's own stands in for mutter's.
            if (styles.skipTaskbar || styles.skipSwitcher) {
                Object.defineProperty(w, "skip_taskbar", { configurable: true,
                                                           get: function () { return true; } });
                if (skipping.indexOf(w) < 0) {
                    skipping.push(w);
                    on(w, "unmanaged", function () { unskip(w); });
                }
            } else {
                unskip(w);
            }
        },
        activate: function (w) {
            activateNow(w);
            if (display.focus_window === w || awaitingShow.indexOf(w) >= 0) return;
            // A new Wayland window is listed before its first frame, and activating it then
            // does nothing: mutter shows it later below the focused window. Once shown, it
            // is activated again.
            awaitingShow.push(w);
            var handler = w.connect("shown", function () {
                w.disconnect(handler);
                connections = connections.filter(function (c) { return c[1] !== handler; });
                awaitingShow = awaitingShow.filter(function (a) { return a !== w; });
                activateNow(w);
            });
            connections.push([w, handler]);
        },
        raise: function (w) { w.raise(); },
        pointer: function () {
            var p = global.get_pointer();
            return { x: p[0], y: p[1] };
        },
        screens: function () {
            var workspace = global.workspace_manager.get_active_workspace();
            var screens = [];
            for (var i = 0; i < display.get_n_monitors(); ++i) {
                screens.push({ name: String(i), geometry: rect(display.get_monitor_geometry(i)),
                               workArea: rect(workspace.get_work_area_for_monitor(i)) });
            }
            return screens;
        },
        watch: function (w, handlers) {
            watched[String(w.get_id())] = handlers;
            on(w, "position-changed", function () {
                handlers.frame();
                if (grabbed === w) handlers.moveStepped();
            });
            on(w, "size-changed", handlers.frame);
            on(w, "notify::minimized", handlers.minimized);
            on(w, "unmanaged", function () { delete watched[String(w.get_id())]; });
        },
        // Windows are created before they have a frame; they count once mapped.
        onWindowShown: function (fn) {
            on(global.window_manager, "map", function (actor) {
                if (actor.get_meta_window()) fn(actor.get_meta_window());
            });
        },
        onWindowRemoved: function (fn) {
            var follow = function (w) { on(w, "unmanaged", function () { fn(w); }); };
            on(display, "window-created", follow);
            global.get_window_actors().forEach(function (a) {
                if (a.get_meta_window()) follow(a.get_meta_window());
            });
        },
        onWindowActivated: function (fn) {
            on(display, "notify::focus-window", function () { fn(display.focus_window); });
        },
        onServiceAppeared: function (fn) {
            watcher = Gio.bus_watch_name_on_connection(Gio.DBus.session, SERVICE,
                                                       Gio.BusNameWatcherFlags.NONE,
                                                       function () { fn(); }, null);
        },
        onScreensChanged: function (fn) {
            on(Main.layoutManager, "monitors-changed", fn);
            on(display, "workareas-changed", fn);
        },
        // True when the shell gave the combination; its presses then call `pressed`.
        grabKey: function (name, accelerator, pressed) {
            var action = display.grab_accelerator(accelerator, Meta.KeyBindingFlags.NONE);
            if (!action) return false;
            // Also over the shell's own pop-ups and the Overview, as on other desktops.
            Main.wm.allowKeybinding(Meta.external_binding_name_for_action(action),
                                    Shell.ActionMode.NORMAL | Shell.ActionMode.OVERVIEW |
                                    Shell.ActionMode.POPUP);
            keys[name] = { action: action, pressed: pressed };
            return true;
        },
        releaseKey: releaseKey,
        setMenu: setMenu,
        openPeer: openPeer,
        closePeer: closePeer,
        disconnectAll: function () {
            closePeer();
            dropButton();
            Object.keys(keys).forEach(releaseKey);
            connections.forEach(function (c) {
                try {
                    c[0].disconnect(c[1]);
                } catch (e) {
                    // The object is gone already.
                }
            });
            connections = [];
            if (watcher) Gio.bus_unwatch_name(watcher);
            watcher = 0;
            timers.forEach(function (t) { t.stop(); });
            timers = [];
            skipping.slice().forEach(unskip);
            awaitingShow = [];
        }
    };
}

if (typeof module === "object" && module.exports) module.exports = { gnomeHost: gnomeHost };
