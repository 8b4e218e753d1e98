/*
    Loaded into KWin by kwin_bench.py: reports every frame change of every window to the
    benchmark's own bus service, which stamps the time it arrives. KWin's scripts only
    have a millisecond clock, too coarse for frames that settle in a few milliseconds;
    the bus hop it adds is the same for Kelvra and for the floor.
*/
function report(w) {
    var g = w.frameGeometry;
    callDBus("io.github.kelvra.Bench", "/Bench", "io.github.kelvra.Bench", "Frame",
             JSON.stringify({ pid: w.pid, x: g.x, y: g.y, w: g.width, h: g.height }));
}

function watch(w) {
    w.frameGeometryChanged.connect(function () { report(w); });
}

workspace.clientList().forEach(watch);
workspace.clientAdded.connect(watch);
