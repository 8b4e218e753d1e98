// The conversation every bridge shares (data/bridges/common/bridge.js), tested once
// against one host: the stand-in of KWin's Plasma 6 script API. What each adapter does
// itself is tested in tests/bridges/kwin and tests/bridges/gnome.
"use strict";

const { describe, it } = require("node:test");
const assert = require("node:assert/strict");
const { makeDesktop } = require("../kwin/standin.js");
const { TOKEN, command, events, results, setFrame, welcome } = require("./talk.js");

// Starts the bridge on a desktop with one active window and lets Kelvra welcome it.
function connected() {
    const d = makeDesktop(6);
    d.editor = d.addWindow({ caption: "Notes", desktopFileName: "org.example.Notes", pid: 7,
                             frame: { x: 10, y: 20, width: 400, height: 300 } });
    d.activate(d.editor);
    d.start();
    welcome(d);
    return d;
}

describe("the bridges' conversation with Kelvra", () => {
    it("says hello to Kelvra's service, then sends the desktop and polls", () => {
        const d = makeDesktop(6);
        d.start();
        const [hello] = d.take();
        assert.deepEqual([hello.service, hello.objectPath, hello.iface, hello.method],
                         ["io.github.kelvra.Bridge", "/Bridge", "io.github.kelvra.Bridge",
                          "Hello"]);
        assert.deepEqual(hello.message, { v: 1, type: "hello", bridge: "kwin",
                                          bridgeVersion: "1.0.0", api: 6 });
        hello.answer({ v: 1, type: "welcome", token: TOKEN, pid: 4242 });
        assert.deepEqual(d.take().map((c) => [c.method, c.message.type, c.message.token]),
                         [["Event", "snapshot", TOKEN], ["Poll", "poll", TOKEN]]);
    });

    it("answers setFrame with the frame the client took, or after 250 ms without one", () => {
        const d = connected();
        const id = d.editor.internalId;
        d.editor.commitMs = 16;
        d.editor.step = 7;  // a terminal rounding to its cells
        command(d, setFrame(1, id, 0, 0, 500, 400));
        d.clock.advance(15);
        assert.deepEqual(results(d), []);
        d.clock.advance(1);
        assert.deepEqual(results(d), [{ type: "result", id: 1, status: "settled",
                                        frame: { x: 0, y: 0, w: 497, h: 399 } }]);

        d.editor.commitMs = null;  // a client that never answers
        command(d, setFrame(2, id, 9, 9, 300, 300));
        d.clock.advance(249);
        assert.deepEqual(results(d), []);
        d.clock.advance(1);
        assert.deepEqual(results(d), [{ type: "result", id: 2, status: "timedOut",
                                        frame: { x: 0, y: 0, w: 497, h: 399 } }]);

        // A window that moves at once but takes the size only when it commits.
        d.editor.commitMs = 16;
        d.editor.positionFirst = true;
        command(d, setFrame(3, id, 7, 7, 300, 200));
        d.clock.advance(16);
        assert.deepEqual(results(d).map((m) => m.frame), [{ x: 7, y: 7, w: 301, h: 203 }]);

        // A closed window has no frame; a command without a frame, or a broken one, fails.
        command(d, setFrame(4, "{gone}", 1, 2, 3, 4), setFrame(5, id, "x", 0, -1, 0),
                { id: 6, cmd: "setFrame", window: id });
        assert.deepEqual(results(d).map((m) => [m.id, m.status]),
                         [[4, "noWindow"], [5, "failed"], [6, "failed"]]);
    });

    it("activates, raises, reads the pointer, lists and places Kelvra's own windows", () => {
        const d = connected();
        const picker = d.addWindow({ pid: 4242, caption: "Zone picker" });
        const settings = d.addWindow({ pid: 4242, caption: "Settings" });
        events(d);
        command(d, { id: 1, cmd: "activate", window: picker.internalId },
                { id: 2, cmd: "raise", window: d.editor.internalId },
                { id: 3, cmd: "getPointer" },
                { id: 4, cmd: "list" },
                { id: 5, cmd: "placeOwn", pid: 4242, title: "Zone picker", keepAbove: true,
                  skipTaskbar: true, skipSwitcher: true,
                  frame: { x: 100, y: 100, w: 600, h: 400 } },
                { id: 6, cmd: "placeOwn", pid: 4242, title: "About", keepAbove: true },
                { id: 7, cmd: "fly" },
                { id: 8, cmd: "placeOwn", pid: 4242, title: "Settings", style: false,
                  activate: true },
                // Held back: the picker is no longer the active window.
                { id: 9, cmd: "activate", window: picker.internalId,
                  ifActive: picker.internalId });
        const sent = events(d).filter((m) => m.type === "result" || m.type === "snapshot");
        assert.deepEqual(sent.map((m) => [m.type, m.id, m.status]), [
            ["result", 1, "done"], ["result", 2, "done"], ["result", 3, "done"],
            ["snapshot", 4, undefined], ["result", 5, "done"], ["result", 6, "noWindow"],
            ["result", 7, "failed"], ["result", 8, "done"], ["result", 9, "done"]]);
        assert.deepEqual(sent[2].pointer, { x: 10, y: 20 });
        assert.equal(sent[3].windows.length, 3);
        assert.equal(sent[4].window, picker.internalId);
        assert.deepEqual([picker.keepAbove, picker.frameGeometry.x], [true, 100]);
        // The settings window was given the focus, its styles left alone.
        assert.deepEqual([d.active, settings.keepAbove], [settings, false]);
        assert.equal(d.take("Poll").length, 1, "polls again after the commands");
    });

    it("refuses answers without the current token or of another version, and garbage", () => {
        const d = connected();
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
        const d = connected();
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
        const d = connected();
        const [oldPoll] = d.take("Poll");
        events(d);
        d.clock.advance(35000 + 1000);
        const logged = d.log.length;
        oldPoll.answer({ v: 1, type: "commands", token: TOKEN,
                         commands: [{ id: 1, cmd: "list" }] });
        assert.equal(d.take("Event").length, 0);
        assert.equal(d.log.length, logged, "not even looked at");
        welcome(d, "tok-2");
        assert.equal(events(d, "tok-2")[0].type, "snapshot");
    });

    it("says hello again at once when Kelvra restarted and refuses the old token", () => {
        const d = connected();
        d.take();
        d.editor.setFrameNow({ x: 5, y: 5, width: 400, height: 300 });
        const [event] = d.take("Event");
        event.answer({ v: 1, type: "rejected", reason: "wrong token" });
        d.clock.advance(1000);
        assert.equal(d.take("Hello").length, 1);
    });
});
