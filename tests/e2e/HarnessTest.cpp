// The session the other tests rely on: a window manager that leaves the program's
// combinations free, and frames read the way the window manager placed them.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

TEST(Session, TheWindowManagerHoldsNoCombinationAndFramesIncludeDecorationsAndFollowAMove) {
    Desktop desktop;
    for (unsigned long keysym :
         {XK_Left, XK_Right, XK_Up, XK_Down, XK_Return, XK_u, XK_i, XK_j, XK_k, XK_d, XK_f, XK_g,
          XK_e, XK_t, XK_c, XK_BackSpace, XK_space, XK_n}) {
        KeyHolder probe(desktop.displayName(), keysym);
        EXPECT_TRUE(probe.holding()) << "keysym " << keysym << " is taken";
    }
    Window w = desktop.startXterm("frame check");
    auto f = desktop.frame(w);
    ASSERT_TRUE(f);
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(desktop.display(), w, &a));
    EXPECT_GT(f->height, a.height) << "no title bar counted";

    // Move the frame through the window manager as a pager would.
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(desktop.display(), "_NET_MOVERESIZE_WINDOW", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = StaticGravity | (1 << 8) | (1 << 9) | (2 << 12);
    e.xclient.data.l[1] = 300;
    e.xclient.data.l[2] = 200;
    XSendEvent(desktop.display(), desktop.root(), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(desktop.display());
    auto moved = desktop.waitForChange(w, *f);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->width, f->width);
    EXPECT_EQ(moved->height, f->height);
}

}  // namespace
}  // namespace kelvra::e2e
