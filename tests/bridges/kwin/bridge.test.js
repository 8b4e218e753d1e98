// What the KWin adapter (data/bridges/kwin/contents/code/main.js) does itself, against a
// stand-in of each script API generation: KWin 5.27's names and Plasma 6's for the same
// windows, signals, screens and raise. The conversation it carries is tested once, in
// tests/bridges/common.
"use strict";

const { describe, it } = require("node:test");
const assert = require("node:assert/strict");
const { makeDesktop } = require("./standin.js");
const { TOKEN, command, events, welcome } = require("../common/talk.js");

for (const generation of [5, 6]) {
    const screenName = generation === 5 ? "0" : "Virtual-1";

    // Starts the bridge on a desktop with one active window and lets Kelvra welcome it.
    function connected() {
        const d = makeDesktop(generation);
        d.editor = d.addWindow({ caption: "Notes", desktopFileName: "org.example.Notes",
                                 pid: 7, frame: { x: 10, y: 20, width: 400, height: 300 } });
        d.activate(d.editor);
        d.start();
        welcome(d);
        return d;
    }

    describe(`KWin bridge on script API ${generation}`, () => {
        it("says which API it runs on and sends the desktop without KWin's own panels", () => {
            const d = makeDesktop(generation);
            const w = d.addWindow({ caption: "Notes", desktopFileName: "", resourceClass: "notes",
                                    normalWindow: false, dialog: true, minimized: true });
            d.addWindow({ dock: true });
            d.activate(w);
            d.start();
            const [hello] = d.take("Hello");
            assert.equal(hello.message.api, generation);
            hello.answer({ v: 1, type: "welcome", token: TOKEN, pid: 1 });
            assert.deepEqual(events(d), [{
                type: "snapshot",
                windows: [{ id: w.internalId, pid: 100, appId: "notes", kind: "dialog",
                            minimized: true, title: "Notes",
                            frame: { x: 0, y: 0, w: 400, h: 300 } }],
                screens: [{ name: screenName, geometry: { x: 0, y: 0, w: 1440, h: 900 },
                            workArea: { x: 0, y: 0, w: 1440, h: 860 } }],
                active: w.internalId, pointer: { x: 10, y: 20 } }]);
        });

        it("reports windows, frames, minimizing, activation and screens", () => {
            const d = connected();
            events(d);
            const w = d.addWindow({ caption: "Mail", desktopFileName: "org.example.Mail" }, true);
            w.setFrameNow({ x: 50, y: 60, width: 400, height: 300 });
            w.setFrameNow({ x: 50, y: 60, width: 500, height: 300 });
            w.minimized = true;
            w.minimizedChanged.emit();
            d.activate(null);
            d.screens[0].geometry = { x: 0, y: 0, width: 1920, height: 1080 };
            d.changeScreens();
            d.removeWindow(w);
            const id = w.internalId;
            assert.deepEqual(events(d), [
                // KWin activates a new window before it announces it.
                { type: "windowAdded", window: { id, pid: 100, appId: "org.example.Mail",
                                                 kind: "normal", minimized: false, title: "Mail",
                                                 frame: { x: 0, y: 0, w: 400, h: 300 } } },
                { type: "windowActivated", window: id },
                { type: "windowMoved", window: id, frame: { x: 50, y: 60, w: 400, h: 300 } },
                { type: "windowResized", window: id, frame: { x: 50, y: 60, w: 500, h: 300 } },
                { type: "windowMinimized", window: id, minimized: true },
                { type: "windowActivated", window: "" },
                { type: "screensChanged", screens: [{
                    name: screenName, geometry: { x: 0, y: 0, w: 1920, h: 1080 },
                    workArea: { x: 0, y: 0, w: 1920, h: 1040 } }] },
                { type: "windowRemoved", window: id },
            ]);
        });

        it("follows a move the user drives, without separate frame events meanwhile", () => {
            const d = connected();
            events(d);
            d.drag(d.editor, [{ x: 30, y: 20, width: 400, height: 300 },
                              { x: 60, y: 25, width: 400, height: 300 }]);
            const sent = events(d).map((m) => [m.type, m.frame.x, m.pointer.x]);
            assert.deepEqual(sent, [["moveStarted", 10, 10], ["moveStepped", 30, 40],
                                    ["moveStepped", 60, 70], ["moveFinished", 60, 70]]);
            // A resize by the window's edge is KWin's own business.
            d.editor.resize = true;
            d.drag(d.editor, [{ x: 60, y: 25, width: 450, height: 300 }]);
            assert.deepEqual(events(d).map((m) => m.type), ["windowResized"]);
        });

        it("raises and styles Kelvra's own windows, the topmost of a title", () => {
            const d = connected();
            // A picker on its way out lies under the one that replaces it.
            const leaving = d.addWindow({ pid: 4242, caption: "Zone picker", stackingOrder: 2 });
            const picker = d.addWindow({ pid: 4242, caption: "Zone picker", stackingOrder: 3 });
            d.activate(picker);
            command(d, { id: 1, cmd: "raise", window: d.editor.internalId },
                    { id: 2, cmd: "placeOwn", pid: 4242, title: "Zone picker", keepAbove: true,
                      skipTaskbar: true, skipSwitcher: true });
            // Plasma 6 raises; 5.27 offers scripts no raise, activating does.
            assert.equal(generation === 6 ? d.raised : d.active, d.editor);
            assert.equal(leaving.keepAbove, false);
            assert.deepEqual([picker.keepAbove, picker.skipTaskbar, picker.skipPager,
                              picker.skipSwitcher], [true, true, true, true]);
            assert.deepEqual(events(d).filter((m) => m.type === "result").map((m) => m.status),
                             ["done", "done"]);
        });
    });
}
