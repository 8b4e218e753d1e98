#pragma once

namespace kelvra::wayland {

// The toolkit (Qt 6.4) ends a Wayland client the moment its compositor goes away, and a
// KWin that comes back starts none of the clients it lost. So the running instance leaves
// behind a small watcher process (KWin; GNOME Shell too, though a crashed shell usually
// ends the whole session): when the instance ended because the compositor went
// away, the watcher waits for a compositor on the same socket and starts Kelvra again
// there, with the same arguments. Any other end (quit, signal, crash) while the compositor
// keeps running ends the watcher too. Call once, in the instance that keeps running; it
// does nothing outside a Wayland session.
void restartAfterCompositorRestarts(char** argv);

// True in an instance the watcher started: it waits for the compositor's bus service
// before choosing its backend (the socket answers before the compositor is on the bus).
bool startedAfterCompositorRestart();

// In such an instance, before the toolkit connects: waits (30 s at most) until a compositor
// on the socket answers a round trip. The watcher's check may have reached the one that is
// going away, whose socket still takes connections until its process has closed it.
void awaitAnsweringCompositor();

}  // namespace kelvra::wayland
