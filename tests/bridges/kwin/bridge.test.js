// The KWin bridge's behaviour against a stand-in of each script API generation.
"use strict";

const { describe, it } = require("node:test");
const assert = require("node:assert/strict");
const { makeDesktop } = require("./standin.js");

const TOKEN = "tok-1";

// Command `id`: set the frame of `window`.
function setFrame(id, window, x, y, w, h) {
    return { id, cmd: "setFrame", window, frame: { x, y, w, h } };
}

// Starts the bridge on a desktop with one window and lets Kelvra welcome it.
function connected(generation) {
    const d = makeDesktop(generation);
    d.editor = d.addWindow({ caption: "Notes", desktopFileName: "org.example.Notes", pid: 7,
                             frame: { x: 10, y: 20, width: 400, height: 300 } });
    d.activate(d.editor);
    d.start();
    const [hello] = d.take("Hello");
    hello.answer({ v: 1, type: "welcome", token: TOKEN, pid: 4242 });
    return d;
}

// The events the bridge sent since the last look, as messages.
function events(d) {
    return d.take("Event").map((c) => c.message);
}

// Answers the outstanding poll with `commands`.
function command(d, ...commands) {
    const polls = d.take("Poll");
    assert.equal(polls.length, 1, "one poll outstanding");
    polls[0].answer({ v: 1, type: "commands", token: TOKEN, commands });
    return d;
}

for (const generation of [5, 6]) {
    describe(`KWin bridge on script API ${generation}`, () => {
        it("says hello, then sends the whole desktop and polls for commands", () => {
            const d = makeDesktop(generation);
            const w = d.addWindow({ caption: "Notes", desktopFileName: "", resourceClass: "notes",
                                    normalWindow: false, dialog: true, minimized: true });
            d.addWindow({ dock: true });
            d.activate(w);
            d.start();
            const [hello] = d.take();
            assert.equal(hello.method, "Hello");
            assert.deepEqual([hello.service, hello.objectPath, hello.iface],
                             ["io.github.kelvra.Bridge", "/Bridge", "io.github.kelvra.Bridge"]);
            assert.deepEqual(hello.message, { v: 1, type: "hello", bridge: "kwin",
                                              bridgeVersion: "1.0.0", api: generation });

            hello.answer({ v: 1, type: "welcome", token: TOKEN, pid: 1 });
            const [snapshot, poll] = d.take();
            assert.equal(snapshot.method, "Event");
            assert.deepEqual(snapshot.message, {
                v: 1, token: TOKEN, type: "snapshot",
                windows: [{ id: w.internalId, pid: 100, appId: "notes", kind: "dialog",
                            minimized: true, title: "Notes",
                            frame: { x: 0, y: 0, w: 400, h: 300 } }],
                screens: [{ name: generation === 5 ? "0" : "Virtual-1",
                            geometry: { x: 0, y: 0, w: 1440, h: 900 },
                            workArea: { x: 0, y: 0, w: 1440, h: 860 } }],
                active: w.internalId, pointer: { x: 10, y: 20 } });
            assert.deepEqual(poll.message, { v: 1, token: TOKEN, type: "poll" });
        });

        it("reports windows, frames, minimizing, activation and screens", () => {
            const d = connected(generation);
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
            const sent = events(d).map(({ v, token, ...m }) => {
                assert.deepEqual([v, token], [1, TOKEN]);
                return m;
            });
            const id = w.internalId;
            assert.deepEqual(sent, [
                { type: "windowAdded", window: { id, pid: 100, appId: "org.example.Mail",
                                                 kind: "normal", minimized: false, title: "Mail",
                                                 frame: { x: 0, y: 0, w: 400, h: 300 } } },
                { type: "windowActivated", window: id },
                { type: "windowMoved", window: id, frame: { x: 50, y: 60, w: 400, h: 300 } },
                { type: "windowResized", window: id, frame: { x: 50, y: 60, w: 500, h: 300 } },
                { type: "windowMinimized", window: id, minimized: true },
                { type: "windowActivated", window: "" },
                { type: "screensChanged", screens: [{
                    name: generation === 5 ? "0" : "Virtual-1",
                    geometry: { x: 0, y: 0, w: 1920, h: 1080 },
                    workArea: { x: 0, y: 0, w: 1920, h: 1040 } }] },
                { type: "windowRemoved", window: id },
            ]);
        });

        it("follows a move the user drives, without separate frame events meanwhile", () => {
            const d = connected(generation);
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

        it("answers setFrame with the frame the client took, or after 250 ms without one", () => {
            const d = connected(generation);
            const id = d.editor.internalId;
            d.editor.commitMs = 16;
            d.editor.step = 7;  // a terminal rounding to its cells
            command(d, setFrame(1, id, 0, 0, 500, 400));
            events(d);
            d.clock.advance(16);
            const settled = events(d).find((m) => m.type === "result");
            assert.deepEqual(settled, { v: 1, token: TOKEN, type: "result", id: 1,
                                        status: "settled", frame: { x: 0, y: 0, w: 497, h: 399 } });

            d.editor.commitMs = null;  // a client that never answers
            command(d, setFrame(2, id, 9, 9, 300, 300));
            d.clock.advance(249);
            assert.equal(events(d).filter((m) => m.type === "result").length, 0);
            d.clock.advance(1);
            assert.deepEqual(events(d).find((m) => m.type === "result"),
                             { v: 1, token: TOKEN, type: "result", id: 2, status: "timedOut",
                               frame: { x: 0, y: 0, w: 497, h: 399 } });

            // A Wayland window moves at once but takes the size only when it commits.
            d.editor.commitMs = 16;
            d.editor.positionFirst = true;
            command(d, setFrame(5, id, 7, 7, 300, 200));
            d.clock.advance(16);
            assert.deepEqual(events(d).find((m) => m.type === "result").frame,
                             { x: 7, y: 7, w: 301, h: 203 });
            d.editor.positionFirst = false;

            // Xwayland windows take the frame at once; a closed window has no frame.
            d.editor.commitMs = 0;
            d.editor.step = 1;
            command(d, setFrame(3, id, 1, 2, 3, 4), setFrame(4, "{gone}", 1, 2, 3, 4));
            const results = events(d).filter((m) => m.type === "result");
            assert.deepEqual(results.map((m) => [m.id, m.status]),
                             [[3, "settled"], [4, "noWindow"]]);
        });

        it("raises, activates, reads the pointer, lists and places Kelvra's own windows", () => {
            const d = connected(generation);
            // A picker on its way out lies under the one that replaces it.
            const leaving = d.addWindow({ pid: 4242, caption: "Zone picker", stackingOrder: 2 });
            const picker = d.addWindow({ pid: 4242, caption: "Zone picker", stackingOrder: 3 });
            const settings = d.addWindow({ pid: 4242, caption: "Settings" });
            events(d);
            command(d, { id: 1, cmd: "activate", window: picker.internalId },
                    { id: 2, cmd: "raise", window: d.editor.internalId },
                    { id: 3, cmd: "getPointer" },
                    { id: 4, cmd: "list" },
                    { id: 5, cmd: "placeOwn", pid: 4242, title: "Zone picker", keepAbove: true,
                      skipTaskbar: true, skipSwitcher: true,
                      frame: { x: 100, y: 100, w: 600, h: 400 } },
                    { id: 6, cmd: "placeOwn", pid: 4242, title: "About", keepAbove: true,
                      skipTaskbar: true, skipSwitcher: true },
                    { id: 7, cmd: "fly" },
                    { id: 8, cmd: "placeOwn", pid: 4242, title: "Settings", style: false,
                      activate: true },
                    // Held back: the picker is no longer the active window.
                    { id: 9, cmd: "activate", window: picker.internalId,
                      ifActive: picker.internalId });
            const sent = events(d).filter((m) => m.type !== "windowActivated" &&
                                                 m.type !== "windowMoved" &&
                                                 m.type !== "windowResized");
            // The settings window was given the focus, its styles left alone.
            assert.equal(d.active, settings);
            assert.equal(settings.keepAbove, false);
            if (generation === 6) assert.equal(d.raised, d.editor);
            assert.deepEqual(sent.map((m) => [m.type, m.id, m.status]), [
                ["result", 1, "done"], ["result", 2, "done"], ["result", 3, "done"],
                ["snapshot", 4, undefined], ["result", 5, "done"], ["result", 6, "noWindow"],
                ["result", 7, "failed"], ["result", 8, "done"], ["result", 9, "done"]]);
            assert.deepEqual(sent[2].pointer, { x: 10, y: 20 });
            assert.equal(sent[3].windows.length, 4);
            assert.equal(sent[4].window, picker.internalId);
            assert.equal(leaving.keepAbove, false);
            assert.deepEqual([picker.keepAbove, picker.skipTaskbar, picker.skipSwitcher,
                              picker.frameGeometry.x], [true, true, true, 100]);
            assert.equal(d.take("Poll").length, 1, "polls again after the commands");
        });

        it("refuses answers without the current token or of another version, and garbage", () => {
            const d = connected(generation);
            events(d);
            const [poll] = d.take("Poll");
            assert.doesNotThrow(() => poll.answer({ v: 1, type: "commands", token: "stale",
                                                    commands: [{ id: 1, cmd: "getPointer" }] }));
            assert.equal(events(d).length, 0, "ran no command");
            assert.match(d.log.join("\n"), /without the current token/);
            d.clock.advance(1000);
            const [hello] = d.take("Hello");
            for (const garbage of ["{", "null", "[]", '{"v":2,"type":"welcome","token":"x"}',
                                   '{"v":1,"type":"commands"}']) {
                assert.doesNotThrow(() => hello.answer(garbage));
            }
            assert.equal(d.take("Poll").length, 0, "no welcome, no poll");
            assert.match(d.log.join("\n"), /version 2/);
        });

        it("notices Kelvra gone and says hello again, waiting longer each time", () => {
            const d = connected(generation);
            d.take();
            d.clock.advance(34999);
            assert.equal(d.take("Hello").length, 0, "a held poll is no sign of trouble");
            d.clock.advance(1);
            const helloTimes = [];
            for (let t = 0; t < 60000; t += 500) {
                d.clock.advance(500);
                if (d.take("Hello").length) helloTimes.push(d.clock.now - 35000);
            }
            // 1 s after the watchdog, then each unanswered hello waits 5 s plus 2, 4, 8 ... s.
            assert.deepEqual(helloTimes, [1000, 8000, 17000, 30000, 51000]);
            // Events while not connected are left to the next snapshot.
            d.editor.setFrameNow({ x: 1, y: 1, width: 10, height: 10 });
            assert.equal(d.take("Event").length, 0);
        });

        it("drops a late answer meant for an earlier connection", () => {
            const d = connected(generation);
            const [oldPoll] = d.take("Poll");
            events(d);
            d.clock.advance(35000 + 1000);
            const [hello] = d.take("Hello");
            const logged = d.log.length;
            oldPoll.answer({ v: 1, type: "commands", token: TOKEN,
                             commands: [{ id: 1, cmd: "list" }] });
            assert.equal(d.take("Event").length, 0);
            assert.equal(d.log.length, logged, "not even looked at");
            hello.answer({ v: 1, type: "welcome", token: "tok-2", pid: 1 });
            assert.equal(events(d)[0].token, "tok-2");
        });

        it("says hello again at once when Kelvra restarted and refuses the old token", () => {
            const d = connected(generation);
            d.take();
            d.editor.setFrameNow({ x: 5, y: 5, width: 400, height: 300 });
            const [event] = d.take("Event");
            event.answer({ v: 1, type: "rejected", reason: "wrong token" });
            d.clock.advance(1000);
            assert.equal(d.take("Hello").length, 1);
        });
    });
}
