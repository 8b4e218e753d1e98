/*
    The floor of kwin_bench.py: a shortcut that moves the active window itself, inside
    KWin, to a frame Kelvra gave it, as the bridge's setFrame does, with no Kelvra in
    between. kwin_bench.py writes the frames and keys in before loading it.
*/
var FRAMES = "@FRAMES@";
var KEYS = "@KEYS@";
var NAME = "@NAME@";

FRAMES.forEach(function (f, i) {
    registerShortcut(NAME + "-" + i, "Benchmark floor " + i, KEYS[i], function () {
        var w = workspace.activeClient;
        if (w) w.frameGeometry = { x: f.x, y: f.y, width: f.w, height: f.h };
    });
});
