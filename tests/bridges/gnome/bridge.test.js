// What the GNOME Shell adapter (data/bridges/gnome: host.js and both extension formats'
// entry files) does itself, against a stand-in of the shell, started through the entry file
// of each format. The conversation it carries is tested once, in tests/bridges/common.
"use strict";

const { describe, it } = require("node:test");
const assert = require("node:assert/strict");
const { makeDesktop, enableLegacy, enableModule, Meta } = require("./standin.js");
const { TOKEN, command, events, results, setFrame, welcome } = require("../common/talk.js");

const formats = [["GNOME 43-44 (legacy imports)", enableLegacy, 43],
                 ["GNOME 45 and later (ES modules)", enableModule, 45]];

for (const [format, enable, generation] of formats) {
    // Enables the extension on a desktop with one focused window; Kelvra welcomes it.
    async function connected() {
        const d = makeDesktop();
        d.editor = d.addWindow({ title: "Notes", app: "org.example.Notes", pid: 7,
                                 frame: { x: 10, y: 20, width: 400, height: 300 } }, true);
        d.extension = await enable(d);
        welcome(d);
        return d;
    }

    describe(`GNOME bridge on ${format}`, () => {
        it("says hello, then sends the desktop without the shell's own surfaces", async () => {
            const d = makeDesktop();
            const dialog = d.addWindow({ title: "Save", wmClass: "notes", x11: true,
                                         type: Meta.WindowType.DIALOG, minimized: true });
            d.addWindow({ type: Meta.WindowType.DOCK });
            d.addWindow({ title: "gnome-shell", overrideRedirect: true,
                          type: Meta.WindowType.NORMAL });
            d.activate(dialog);
            await enable(d);
            const [hello] = d.take("Hello");
            assert.deepEqual(hello.message, { v: 1, type: "hello", bridge: "gnome",
                                              bridgeVersion: "1.0.0", api: generation });

            hello.answer({ v: 1, type: "welcome", token: TOKEN, pid: 1 });
            assert.deepEqual(events(d), [{
                type: "snapshot",
                windows: [{ id: String(dialog.id), pid: 100, appId: "notes", kind: "dialog",
                            minimized: true, title: "Save",
                            frame: { x: 0, y: 0, w: 400, h: 300 } }],
                screens: [{ name: "0", geometry: { x: 0, y: 0, w: 1440, h: 900 },
                            workArea: { x: 0, y: 32, w: 1440, h: 868 } }],
                active: String(dialog.id), pointer: { x: 10, y: 20 } }]);
        });

        it("reports windows once mapped, frames, minimizing, focus and monitors", async () => {
            const d = await connected();
            events(d);
            const w = d.addWindow({ title: "Mail", app: "org.example.Mail" }, true);
            w.setFrameNow({ x: 50, y: 60, width: 400, height: 300 });
            w.setFrameNow({ x: 50, y: 60, width: 500, height: 300 });
            w.minimized = true;
            w.emit("notify::minimized");
            d.activate(null);
            d.monitors.push({ x: 1440, y: 0, width: 1280, height: 1024, panel: 0 });
            d.Main.layoutManager.emit("monitors-changed");
            d.removeWindow(w);
            const id = String(w.id);
            assert.deepEqual(events(d), [
                { type: "windowAdded", window: { id, pid: 100, appId: "org.example.Mail",
                                                 kind: "normal", minimized: false, title: "Mail",
                                                 frame: { x: 0, y: 0, w: 400, h: 300 } } },
                { type: "windowActivated", window: id },
                { type: "windowMoved", window: id, frame: { x: 50, y: 60, w: 400, h: 300 } },
                { type: "windowResized", window: id, frame: { x: 50, y: 60, w: 500, h: 300 } },
                { type: "windowMinimized", window: id, minimized: true },
                { type: "windowActivated", window: "" },
                { type: "screensChanged", screens: [
                    { name: "0", geometry: { x: 0, y: 0, w: 1440, h: 900 },
                      workArea: { x: 0, y: 32, w: 1440, h: 868 } },
                    { name: "1", geometry: { x: 1440, y: 0, w: 1280, h: 1024 },
                      workArea: { x: 1440, y: 0, w: 1280, h: 1024 } }] },
                { type: "windowRemoved", window: id },
            ]);
        });

        it("follows a move the user drives, not a resize by the edges", async () => {
            const d = await connected();
            events(d);
            d.drag(d.editor, [{ x: 30, y: 20, width: 400, height: 300 },
                              { x: 60, y: 25, width: 400, height: 300 }]);
            assert.deepEqual(events(d).map((m) => [m.type, m.frame.x, m.pointer.x]),
                             [["moveStarted", 10, 10], ["moveStepped", 30, 40],
                              ["moveStepped", 60, 70], ["moveFinished", 60, 70]]);
            d.drag(d.editor, [{ x: 60, y: 25, width: 450, height: 300 }],
                   Meta.GrabOp.RESIZING_SE);
            assert.deepEqual(events(d).map((m) => m.type), ["windowResized"]);
        });

        it("unmaximizes a window before setting its frame; moves an Xwayland one first",
           async () => {
            const d = await connected();
            d.editor.commitMs = 16;
            d.editor.step = 7;  // a terminal rounding to its cells
            d.editor.maximized = Meta.MaximizeFlags.BOTH;
            command(d, setFrame(1, String(d.editor.id), 0, 0, 500, 400));
            d.clock.advance(16);
            assert.deepEqual(results(d), [{ type: "result", id: 1, status: "settled",
                                            frame: { x: 0, y: 0, w: 497, h: 399 } }]);
            assert.equal(d.editor.maximized, 0);

            // Mutter keeps an Xwayland window's position on a move-resize not moved first.
            const xterm = d.addWindow({ title: "xterm", x11: true });
            command(d, setFrame(2, String(xterm.id), 100, 80, 600, 400));
            assert.deepEqual(results(d).map((m) => m.frame), [{ x: 100, y: 80, w: 600, h: 400 }]);
        });

        it("raises, focuses and styles Kelvra's own windows", async () => {
            const d = await connected();
            const picker = d.addWindow({ pid: 4242, title: "Zone picker" });
            const settings = d.addWindow({ pid: 4242, title: "Settings", shown: false });
            command(d, { id: 1, cmd: "raise", window: String(d.editor.id) },
                    { id: 2, cmd: "placeOwn", pid: 4242, title: "Zone picker", keepAbove: true,
                      skipTaskbar: true, skipSwitcher: true,
                      frame: { x: 100, y: 100, w: 600, h: 400 } },
                    { id: 3, cmd: "placeOwn", pid: 4242, title: "Settings", style: false,
                      activate: true });
            assert.deepEqual(results(d).map((m) => m.status), ["done", "done", "done"]);
            // Listed before its first frame, it is activated once shown.
            assert.notEqual(d.display.focus_window, settings);
            d.show(settings);
            assert.equal(d.display.focus_window, settings);
            assert.equal(d.raised, d.editor);
            assert.deepEqual([picker.above, settings.above, picker.get_frame_rect().x],
                             [true, false, 100]);
            // Out of the Overview and the switchers, which read skip_taskbar.
            assert.deepEqual([picker.skip_taskbar, settings.skip_taskbar], [true, false]);
            // Out of the upper layer, under the window in front.
            command(d, { id: 4, cmd: "placeOwn", pid: 4242, title: "Zone picker",
                         keepAbove: false });
            assert.deepEqual([results(d)[0].status, picker.above, d.raised],
                             ["done", false, settings]);
        });

        it("holds Kelvra's shortcuts, reports presses and lets go of them", async () => {
            const d = await connected();
            d.taken = ["<Super>0x26"];
            command(d, { id: 1, cmd: "grabKey", name: "k1", accelerator: "<Control><Alt>0x71" },
                    { id: 2, cmd: "grabKey", name: "k2", accelerator: "<Super>0x26" },
                    { id: 3, cmd: "grabKey", name: "k3" });
            assert.deepEqual(results(d).map((m) => [m.id, m.status]),
                             [[1, "done"], [2, "failed"], [3, "failed"]]);
            assert.deepEqual([...d.allowed.values()], [1 | 2 | 8], "also in the Overview");
            d.press("<Control><Alt>0x71");
            assert.deepEqual(events(d), [{ type: "keyPressed", name: "k1" }]);

            // Taken again under the same name: the old combination is let go.
            command(d, { id: 4, cmd: "grabKey", name: "k1", accelerator: "<Control><Alt>0x72" },
                    { id: 5, cmd: "releaseKey", name: "nothing held" });
            d.press("<Control><Alt>0x71");
            assert.deepEqual(events(d).map((m) => [m.type, m.id, m.status]),
                             [["result", 4, "done"], ["result", 5, "done"]]);
            assert.deepEqual([...d.grabs.values()], ["<Control><Alt>0x72"]);
            command(d, { id: 6, cmd: "releaseKey", name: "k1" });
            assert.equal(d.grabs.size, 0);
            assert.deepEqual([...d.allowed.values()], [0, 0], "neither let through any more");
        });

        it("moves the window a forecast names as the key goes down, telling Kelvra after",
           async () => {
            const d = await connected();
            const xterm = d.addWindow({ title: "xterm", x11: true,
                                        frame: { x: 10, y: 20, width: 400, height: 300 } }, true);
            const id = String(xterm.id);
            const from = { x: 10, y: 20, w: 400, h: 300 };
            const half = { x: 0, y: 32, w: 720, h: 868 };
            const forecast = (fields) => ({ id: 9, cmd: "forecast", window: id, from,
                                            keys: [{ name: "k1", frame: half },
                                                   { name: "k2", frame: "broken" }], ...fields });
            command(d, { id: 1, cmd: "grabKey", name: "k1", accelerator: "<Control><Alt>0x71" },
                    forecast({ id: 2 }));
            events(d);
            d.press("<Control><Alt>0x71");
            assert.deepEqual(xterm.get_frame_rect(), { x: 0, y: 32, width: 720, height: 868 });
            assert.deepEqual(events(d), [{ type: "keyPressed", name: "k1" }],
                             "the move is Kelvra's to tell");
            command(d, setFrame(3, id, 0, 32, 720, 868));
            assert.deepEqual(events(d), [
                { type: "result", id: 3, status: "settled", frame: half },
                { type: "windowResized", window: id, frame: half }]);
            d.press("<Control><Alt>0x71");
            assert.deepEqual(events(d), [{ type: "keyPressed", name: "k1" }], "used once");

            // Kelvra carried the press out otherwise: its frame stands, the move is told.
            xterm.setFrameNow({ x: 10, y: 20, width: 400, height: 300 });
            command(d, forecast({ id: 4 }));
            d.press("<Control><Alt>0x71");
            command(d, setFrame(5, id, 0, 32, 1440, 868));
            assert.deepEqual(events(d).slice(-2), [
                { type: "result", id: 5, status: "settled", frame: { ...half, w: 1440 } },
                { type: "windowResized", window: id, frame: { ...half, w: 1440 } }]);
            // Or not at all: the move is told a second later.
            xterm.setFrameNow({ x: 10, y: 20, width: 400, height: 300 });
            command(d, forecast({ id: 6 }));
            d.press("<Control><Alt>0x71");
            events(d);
            d.clock.advance(1000);
            assert.deepEqual(events(d), [{ type: "windowResized", window: id, frame: half }]);

            // None applies once it no longer holds: another frame, another window in front,
            // a Wayland window (mutter takes its frame only when the client commits), past
            // its time, withdrawn, or broken.
            const cases = [
                [forecast({ id: 7, from: half }), () => {}],
                [forecast({ id: 7 }), () => d.activate(d.editor)],
                [forecast({ id: 7, window: String(d.editor.id) }), () => d.activate(d.editor)],
                [forecast({ id: 7, validMs: 0 }), () => {}],
                [{ id: 7, cmd: "forecast", window: "" }, () => {}],
                [forecast({ id: 7, from: { x: 1 } }), () => {}]];
            for (const [c, then] of cases) {
                d.activate(xterm);
                xterm.setFrameNow({ x: 10, y: 20, width: 400, height: 300 });
                command(d, forecast({ id: 6 }), c);
                then();
                d.press("<Control><Alt>0x71");
                assert.deepEqual(xterm.get_frame_rect(), { x: 10, y: 20, width: 400, height: 300 },
                                 JSON.stringify(c));
                assert.deepEqual(d.editor.get_frame_rect(), { x: 10, y: 20, width: 400, height: 300 },
                                 JSON.stringify(c));
            }
            assert.deepEqual(results(d).slice(-1), [{ type: "result", id: 7, status: "failed" }]);
        });

        it("draws Kelvra's menu in the top bar and reports the item chosen", async () => {
            const d = await connected();
            const menu = { icon: "paused", toolTip: "Kelvra (paused)", items: [
                { id: "snap.left", title: "Left half", shortcut: "Ctrl+Alt+Left" },
                { separator: true },
                { title: "Layouts", submenu: [{ id: "layout.1", title: "Grid", checked: true },
                                              { id: "layout.2", title: "Wide", enabled: false }] },
                { id: "app.quit", title: "Quit Kelvra", run: "imports.system.exit(1)" },
                "garbage", null] };
            command(d, { id: 1, cmd: "setMenu", menu }, { id: 2, cmd: "setMenu" },
                    { id: 3, cmd: "setMenu", menu: { items: "not a list" } });
            assert.deepEqual(results(d).map((m) => [m.id, m.status]),
                             [[1, "done"], [2, "failed"], [3, "failed"]]);
            const bar = d.topBar();
            assert.equal(bar.name, "Kelvra (paused)");
            // The theme's icon: this package ships none.
            assert.deepEqual([bar.icon.gicon.name, bar.icon.opacity], ["kelvra", 115]);
            assert.deepEqual(bar.menu, [
                { title: "Left half", shortcut: "Ctrl+Alt+Left", checked: false, enabled: true },
                { separator: true },
                { title: "Layouts", submenu: [
                    { title: "Grid", shortcut: "", checked: true, enabled: true },
                    { title: "Wide", shortcut: "", checked: false, enabled: false }] },
                { title: "Quit Kelvra", shortcut: "", checked: false, enabled: true }]);
            d.choose("Left half");
            d.choose("Layouts", "Grid");
            assert.deepEqual(events(d), [{ type: "menuChosen", item: "snap.left" },
                                         { type: "menuChosen", item: "layout.1" }]);

            // A new model replaces the items in the same button; a warning state shows.
            command(d, { id: 4, cmd: "setMenu", menu: { icon: "settingsNotSaved",
                                                        items: [{ id: "a", title: "A" }] } });
            assert.deepEqual(d.topBar().menu.map((i) => i.title), ["A"]);
            assert.deepEqual([d.topBar().icon.gicon.name, d.topBar().icon.opacity],
                             ["dialog-warning-symbolic", 255]);
            command(d, { id: 5, cmd: "setMenu", menu: null });
            assert.equal(d.topBar(), null);

            // Kelvra gone: no button whose choices reach nobody.
            command(d, { id: 6, cmd: "setMenu", menu: { items: [] } });
            assert.ok(d.topBar());
            d.take("Poll")[0].fail();
            d.clock.advance(36000);  // the poll's watchdog
            assert.equal(d.topBar(), null);
        });

        it("says hello again while Kelvra is away, waiting longer each time", async () => {
            const d = makeDesktop();
            await enable(d);
            const helloTimes = [];
            for (let t = 0; t < 60000; t += 500) {
                for (const hello of d.take("Hello")) {
                    helloTimes.push(d.clock.now);
                    hello.fail();  // nobody owns Kelvra's name
                }
                d.clock.advance(500);
            }
            assert.deepEqual(helloTimes, [0, 6000, 13000, 22000, 35000, 56000]);

            // Kelvra starting is seen on the bus: hello at once, not after the back-off.
            d.clock.advance(1000);
            d.serviceAppears();
            const [hello] = d.take("Hello");
            assert.ok(hello, "said hello when Kelvra appeared");
            d.serviceAppears();
            assert.equal(d.take("Hello").length, 0, "one hello at a time");
            hello.answer({ v: 1, type: "welcome", token: TOKEN, pid: 1 });
            d.serviceAppears();
            assert.equal(d.take("Hello").length, 0, "none while connected");
        });

        it("talks over Kelvra's direct connection, else the bus, and starts over when it closes",
           async () => {
            const d = makeDesktop();
            d.addWindow({ title: "Notes" }, true);
            d.extension = await enable(d);
            const peer = "unix:path=/run/user/1000/kelvra-bridge,guid=0f";
            const welcome = { v: 1, type: "welcome", token: TOKEN, pid: 1, peer };
            d.take("Hello")[0].answer(welcome);
            assert.deepEqual(d.take(), [], "nothing before the connection opened or failed");
            const [opening] = d.peers.splice(0);
            assert.equal(opening.address, peer);
            opening.open();
            const ways = (calls) => calls.map((c) => [c.method, c.direct, c.service]);
            assert.deepEqual(ways(d.take()), [["Event", true, null], ["Poll", true, null]]);

            // Kelvra ends: hello again over the bus, at once when its name comes back.
            opening.vanish();
            d.serviceAppears();
            const [hello] = d.take();
            assert.deepEqual(ways([hello]), [["Hello", false, "io.github.kelvra.Bridge"]]);
            // A connection that does not open leaves the bus in charge; an address that is no
            // local socket is never tried.
            const overBus = [["Event", false, "io.github.kelvra.Bridge"],
                             ["Poll", false, "io.github.kelvra.Bridge"]];
            const restarted = { v: 1, type: "rejected", reason: "restarted" };
            hello.answer(welcome);
            d.peers.splice(0)[0].refuse();
            let calls = d.take();
            assert.deepEqual(ways(calls), overBus);
            calls[1].answer(restarted);
            d.clock.advance(1000);
            d.take("Hello")[0].answer({ ...welcome, peer: "tcp:host=example.org,port=1" });
            assert.deepEqual(d.peers, []);
            calls = d.take();
            assert.deepEqual(ways(calls), overBus);

            // Disabled: the direct connection is closed.
            calls[1].answer(restarted);
            d.clock.advance(1000);
            d.take("Hello")[0].answer(welcome);
            const [last] = d.peers.splice(0);
            last.open();
            d.extension.disable();
            assert.ok(last.connection.closed);
        });

        it("leaves no signal, timer or call behind when disabled", async () => {
            const d = await connected();
            d.editor.commitMs = null;
            command(d, setFrame(1, String(d.editor.id), 0, 0, 10, 10),
                    { id: 2, cmd: "grabKey", name: "k1", accelerator: "<Alt>0x71" },
                    { id: 3, cmd: "setMenu", menu: { items: [] } });
            const [poll] = d.take("Poll");
            d.extension.disable();
            assert.equal(d.topBar(), null, "the top-bar button gone");
            assert.equal(d.sources.size, 0, "timers stopped");
            assert.equal(d.grabs.size, 0, "shortcuts let go");
            assert.equal(d.watchers.size, 0, "Kelvra's name no longer watched");
            assert.deepEqual([d.display.connected(), d.editor.connected(),
                              d.global.window_manager.connected(),
                              d.Main.layoutManager.connected()], [0, 0, 0, 0]);
            d.take();
            poll.answer({ v: 1, type: "commands", token: TOKEN,
                          commands: [{ id: 2, cmd: "list" }] });
            d.addWindow({ title: "Late" });
            d.clock.advance(60000);
            assert.deepEqual(d.take(), []);
        });
    });
}
