#include "backends/x11/XkbServerActions.h"

#include <X11/XF86keysym.h>
#include <X11/XKBlib.h>
#include <X11/keysym.h>

namespace kelvra::x11 {

namespace {

// The shift level the modifiers select on the key's first group.
int levelFor(XkbDescPtr xkb, KeyCode keycode, unsigned int modifiers) {
    XkbKeyTypePtr type = XkbKeyKeyType(xkb, keycode, 0);
    const unsigned int relevant = modifiers & type->mods.mask;
    for (int i = 0; i < type->map_count; ++i) {
        const XkbKTMapEntryRec& entry = type->map[i];
        if (entry.active && entry.mods.mask == relevant) return entry.level;
    }
    return 0;
}

bool isServerKeysym(KeySym sym) {
    return sym == XK_Terminate_Server || (sym >= XF86XK_Switch_VT_1 && sym <= XF86XK_Switch_VT_12);
}

}  // namespace

bool isServerAction(Display* display, KeyCode keycode, unsigned int modifiers) {
    XkbDescPtr xkb =
        XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask | XkbKeyActionsMask, XkbUseCoreKbd);
    if (!xkb) return false;
    bool server = false;
    if (keycode >= xkb->min_key_code && keycode <= xkb->max_key_code &&
        XkbKeyNumGroups(xkb, keycode) > 0) {
        const int level = levelFor(xkb, keycode, modifiers);
        if (level < XkbKeyGroupWidth(xkb, keycode, 0)) {
            if (XkbKeyHasActions(xkb, keycode)) {
                const XkbAction* action = XkbKeyActionEntry(xkb, keycode, level, 0);
                server = action->type == XkbSA_Terminate || action->type == XkbSA_SwitchScreen;
            }
            server = server || isServerKeysym(XkbKeySymEntry(xkb, keycode, level, 0));
        }
    }
    XkbFreeKeyboard(xkb, 0, True);
    return server;
}

}  // namespace kelvra::x11
