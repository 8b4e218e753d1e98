// Kelvra's side of the conversation in the bridges' node tests: the desktop stand-in `d`
// collects the bridge's D-Bus calls (d.take), the test answers them.
"use strict";

const assert = require("node:assert/strict");

const TOKEN = "tok-1";

// Command `id`: set the frame of `window`.
function setFrame(id, window, x, y, w, h) {
    return { id, cmd: "setFrame", window, frame: { x, y, w, h } };
}

// Kelvra's welcome to the outstanding hello.
function welcome(d, token = TOKEN) {
    const [hello] = d.take("Hello");
    hello.answer({ v: 1, type: "welcome", token, pid: 4242 });
}

// The events the bridge sent since the last look, as messages without version and token.
function events(d, token = TOKEN) {
    return d.take("Event").map(({ message: { v, token: given, ...m } }) => {
        assert.deepEqual([v, given], [1, token]);
        return m;
    });
}

function results(d) {
    return events(d).filter((m) => m.type === "result");
}

// Answers the outstanding poll with `commands`.
function command(d, ...commands) {
    const polls = d.take("Poll");
    assert.equal(polls.length, 1, "one poll outstanding");
    polls[0].answer({ v: 1, type: "commands", token: TOKEN, commands });
}

module.exports = { TOKEN, setFrame, welcome, events, results, command };
