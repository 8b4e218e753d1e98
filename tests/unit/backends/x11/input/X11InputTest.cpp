// The X11 input sources against a real X server, driven through XTest by the test's own
// connection, which also competes for key combinations.
#include "Harness.h"  // GoogleTest before Xlib, whose None macro it would trip over

#include <X11/XKBlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "QtRecordedKeys.h"
#include "backends/sim/UsKeyboardLayout.h"
#include "backends/sim/VirtualRunLoop.h"
#include "backends/x11/VirtualKeyCodes.h"
#include "backends/x11/X11Connection.h"
#include "backends/x11/X11HotKeys.h"
#include "backends/x11/X11KeyboardLayout.h"
#include "backends/x11/X11MouseEvents.h"
#include "port/Platform.h"
#include "settings/KeyCombo.h"

namespace kelvra::x11 {
namespace {

constexpr uint32_t controlOption = 0x1800;
constexpr uint32_t signature = 0x4b4c5652;

class X11Input : public testing::Test {
  protected:
    void SetUp() override {
        installPlatform(Platform{.runLoop = &runLoop_});
        connection_ = std::make_unique<X11Connection>(desktop_.displayName().c_str());
        ASSERT_TRUE(connection_->isOpen());
        keys_ = std::make_unique<VirtualKeyCodes>(*connection_);
    }
    void TearDown() override {
        keys_.reset();
        probe_.reset();
        connection_.reset();
        uninstallPlatform();
    }

    void dispatch() {
        connection_->dispatchPending();
        runLoop_.runPending();
    }
    // Handles the connection's events until `done` holds (or a broken test times out).
    bool pumpUntil(const std::function<bool()>& done) {
        return e2e::Desktop::waitUntil([&] { return dispatch(), done(); }, std::chrono::seconds(5));
    }
    // Lets every event already sent arrive: a round trip through both clients.
    void settle() {
        XSync(other_, False);
        XSync(connection_->display(), False);
        dispatch();
    }
    // The keycode the server's keymap gives an XKB key name, or 0.
    ::KeyCode keycodeNamed(const char* name) {
        XkbDescPtr xkb = XkbGetMap(other_, 0, XkbUseCoreKbd);
        XkbGetNames(other_, XkbKeyNamesMask, xkb);
        ::KeyCode found = 0;
        for (int kc = xkb->min_key_code; kc <= xkb->max_key_code && !found; ++kc)
            if (std::strncmp(xkb->names->keys[kc].name, name, XkbKeyNameLength) == 0) found = kc;
        XkbFreeKeyboard(xkb, 0, True);
        return found;
    }
    // Whether another client can grab the key with these modifiers, i.e. it is free.
    bool canGrab(::KeyCode keycode, unsigned int state) {
        if (!probe_) probe_ = std::make_unique<X11Connection>(desktop_.displayName().c_str());
        probe_->clearError();
        XGrabKey(probe_->display(), keycode, state, probe_->root(), False, GrabModeAsync,
                 GrabModeAsync);
        const bool ok = probe_->checkedSync();
        if (ok) XUngrabKey(probe_->display(), keycode, state, probe_->root());
        probe_->checkedSync();
        return ok;
    }

    // Keys through XTest: held down in order, released in reverse.
    void hold(const std::vector<KeySym>& combo, bool down = true) {
        for (size_t i = 0; i < combo.size(); ++i) {
            const KeySym sym = down ? combo[i] : combo[combo.size() - 1 - i];
            XTestFakeKeyEvent(other_, XKeysymToKeycode(other_, sym), down, CurrentTime);
        }
        XSync(other_, False);
    }
    void release(const std::vector<KeySym>& combo) { hold(combo, false); }
    // The mouse source's events as text: "dragged 300,160 fn".
    std::vector<std::string> events;
    void record(const port::MouseEvent& e) {
        const char* type[] = {"down", "dragged", "up"};
        events.push_back(type[int(e.type)] + (" " + std::to_string(int(e.location.x))) + "," +
                         std::to_string(int(e.location.y)) + (e.functionKey ? " fn" : ""));
    }

    // The test's own connection, as another client.
    e2e::Desktop desktop_{{.windowManager = false}};
    Display* other_ = desktop_.display();
    sim::VirtualRunLoop runLoop_;
    std::unique_ptr<X11Connection> connection_, probe_;
    std::unique_ptr<VirtualKeyCodes> keys_;
};

TEST_F(X11Input, HotKeysFireWithAndWithoutCapsLockOnceWhileHeldUntilUnregistered) {
    X11HotKeys hotKeys(*connection_, *keys_);
    std::vector<uint32_t> pressed;
    auto listening = hotKeys.onPressed(
        [&](uint32_t sig, uint32_t id) { pressed.push_back(sig == signature ? id : 0); });
    auto space = hotKeys.registerHotKey(49, controlOption, signature, 7);
    auto left = hotKeys.registerHotKey(123, controlOption, signature, 8);
    ASSERT_TRUE(space && left);
    // The same combination twice is one hot key: the second registration fails.
    EXPECT_FALSE(hotKeys.registerHotKey(49, controlOption, signature, 9));

    desktop_.pressKeys({XK_Control_L, XK_Alt_L, XK_space});
    ASSERT_TRUE(pumpUntil([&] { return pressed.size() == 1; }));
    // Caps Lock on: still the same shortcut.
    desktop_.pressKeys({XK_Caps_Lock});
    desktop_.pressKeys({XK_Control_L, XK_Alt_L, XK_Left});
    ASSERT_TRUE(pumpUntil([&] { return pressed.size() == 2; }));
    desktop_.pressKeys({XK_Caps_Lock});
    EXPECT_EQ(pressed, (std::vector<uint32_t>{7, 8}));

    // Another modifier set is another combination; an unregistered one is gone.
    hotKeys.unregisterHotKey(*space);
    desktop_.pressKeys({XK_Control_L, XK_Alt_L, XK_Shift_L, XK_Left});
    desktop_.pressKeys({XK_Control_L, XK_Alt_L, XK_space});
    desktop_.pressKeys({XK_Control_L, XK_Alt_L, XK_Left});
    ASSERT_TRUE(pumpUntil([&] { return pressed.size() == 3; }));
    settle();
    EXPECT_EQ(pressed, (std::vector<uint32_t>{7, 8, 8}));

    // A held combination fires once until it is released, however often the server's
    // own auto-repeat (made quick here) repeats the key.
    const ::KeyCode leftKey = XKeysymToKeycode(other_, XK_Left);
    ASSERT_TRUE(XkbSetAutoRepeatRate(other_, XkbUseCoreKbd, 50, 20));
    int presses = 0;
    auto counter = connection_->addListener([&](const XEvent& e) {
        if (e.type == KeyPress && e.xkey.keycode == leftKey) ++presses;
    });
    hold({XK_Control_L, XK_Alt_L, XK_Left});
    EXPECT_TRUE(pumpUntil([&] { return presses >= 6; })) << "the key did not repeat";
    counter.cancel();
    settle();
    EXPECT_EQ(pressed.size(), 4u);
    release({XK_Control_L, XK_Alt_L, XK_Left});
    desktop_.pressKeys({XK_Control_L, XK_Alt_L, XK_Left});
    ASSERT_TRUE(pumpUntil([&] { return pressed.size() == 5; }));
}

TEST_F(X11Input, CombinationHeldByAnotherClientFailsOnlyThatRegistration) {
    const ::KeyCode leftKey = XKeysymToKeycode(other_, XK_Left);
    XGrabKey(other_, leftKey, ControlMask | Mod1Mask, DefaultRootWindow(other_), False,
             GrabModeAsync, GrabModeAsync);
    XSync(other_, False);

    X11HotKeys hotKeys(*connection_, *keys_);
    EXPECT_FALSE(hotKeys.registerHotKey(123, controlOption, signature, 1));
    EXPECT_TRUE(hotKeys.registerHotKey(124, controlOption, signature, 2));

    // Another library's error handler, put in place later, drops errors (the toolkit's
    // X connection does that when it starts): the combination still counts as taken.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    EXPECT_FALSE(hotKeys.registerHotKey(123, controlOption, signature, 1));

    // Once the other client lets go, the combination can be had.
    XUngrabKey(other_, leftKey, ControlMask | Mod1Mask, DefaultRootWindow(other_));
    XSync(other_, False);
    EXPECT_TRUE(hotKeys.registerHotKey(123, controlOption, signature, 1));
}

TEST_F(X11Input, NumLockVariantsOfAnOldModifierMappingAreGivenBackOnAChange) {
    X11HotKeys hotKeys(*connection_, *keys_);
    ASSERT_TRUE(hotKeys.registerHotKey(123, controlOption, signature, 1));
    const ::KeyCode left = XKeysymToKeycode(other_, XK_Left);
    const ::KeyCode numLock = XKeysymToKeycode(other_, XK_Num_Lock);
    ASSERT_NE(numLock, 0);

    auto canGrab = [&](unsigned int state) { return this->canGrab(left, state); };

    // Move Num Lock from its modifier to a free one.
    XModifierKeymap* map = XGetModifierMapping(other_);
    int oldMod = -1;
    int newMod = -1;
    for (int mod = Mod1MapIndex; mod <= Mod5MapIndex; ++mod) {
        bool empty = true;
        for (int k = 0; k < map->max_keypermod; ++k) {
            const ::KeyCode code = map->modifiermap[mod * map->max_keypermod + k];
            if (code == numLock) oldMod = mod;
            if (code != 0) empty = false;
        }
        if (empty && newMod < 0) newMod = mod;
    }
    ASSERT_GE(oldMod, 0) << "Num Lock is on no modifier";
    ASSERT_GE(newMod, 0) << "no free modifier";
    const unsigned int base = ControlMask | Mod1Mask;
    const unsigned int oldNumLock = 1u << oldMod;
    const unsigned int newNumLock = 1u << newMod;
    EXPECT_FALSE(canGrab(base | oldNumLock));

    map = XDeleteModifiermapEntry(map, numLock, oldMod);
    map = XInsertModifiermapEntry(map, numLock, newMod);
    ASSERT_EQ(XSetModifierMapping(other_, map), MappingSuccess);
    XFreeModifiermap(map);
    XSync(other_, False);

    ASSERT_TRUE(pumpUntil([&] { return !canGrab(base | newNumLock); }))
        << "not grabbed under the new mapping";
    EXPECT_FALSE(canGrab(base));
    EXPECT_FALSE(canGrab(base | LockMask | newNumLock));
    // The old mapping's Num Lock variants are free again.
    EXPECT_TRUE(canGrab(base | oldNumLock));
    EXPECT_TRUE(canGrab(base | LockMask | oldNumLock));
}

// Each key the program's windows can record is a virtual key code that registers on the
// very key that was pressed, and the simulated keyboard that the logic tests run on has
// the same keys and texts as this one.
TEST_F(X11Input, EveryRecordableKeyRegistersAsTheSamePhysicalKeyAndFollowsALayoutChange) {
    X11HotKeys hotKeys(*connection_, *keys_);
    X11KeyboardLayout layout(*connection_, *keys_);
    auto taken = [&](::KeyCode keycode) { return !canGrab(keycode, ControlMask | Mod1Mask); };

    std::set<uint16_t> recorded;
    for (const auto& row : test::recordableQtKeys()) {
        SCOPED_TRACE(XKeysymToString(row.keysym));
        const ::KeyCode keycode =
            row.xkbName ? keycodeNamed(row.xkbName) : XKeysymToKeycode(other_, row.keysym);
        ASSERT_NE(keycode, 0) << "not in the server's keymap";
        // Record: from the press's keycode, and from Qt's key alone.
        auto key = test::recordQtKey(*connection_, *keys_, row, keycode);
        ASSERT_TRUE(key) << "not recordable";
        auto fromQtKey = test::recordQtKey(*connection_, *keys_, row, 0);
        ASSERT_TRUE(fromQtKey);
        EXPECT_EQ(fromQtKey->keyCode, key->keyCode);
        recorded.insert(key->keyCode);

        const KeyCombo combo{key->keyCode, KeyCombo::modifiersFromEventFlags(key->modifierFlags)};
        ASSERT_EQ(combo.modifiers, controlOption);

        // Register: the grab is on the key that was pressed.
        auto ref = hotKeys.registerHotKey(combo.keyCode, combo.modifiers, signature, 1);
        ASSERT_TRUE(ref) << "virtual key " << combo.keyCode << " does not register";
        EXPECT_TRUE(taken(keycode))
            << "virtual key " << combo.keyCode << " grabbed keycode "
            << int(keys_->keycodeFor(combo.keyCode).value_or(0)) << ", pressed " << int(keycode);
        hotKeys.unregisterHotKey(*ref);
        XSync(connection_->display(), False);
        EXPECT_FALSE(taken(keycode));

        // The simulated keyboard types the same text on this key.
        const auto& simLayout = sim::usKeyboardLayout();
        auto simText = simLayout.contains(combo.keyCode)
                           ? std::optional<std::string>(simLayout.at(combo.keyCode))
                           : std::nullopt;
        EXPECT_EQ(simText, layout.translate(static_cast<uint16_t>(combo.keyCode)));
    }

    // A key without a position of its own is not recordable: the server's keymap has
    // a second key that types the keypad decimal, and going by that its shortcut would
    // be grabbed on the keypad's key instead.
    const ::KeyCode otherDecimal = XKeysymToKeycode(other_, XK_KP_Decimal);
    ASSERT_NE(otherDecimal, keycodeNamed("KPDL"));
    const auto& rows = test::recordableQtKeys();
    const auto decimal = std::find_if(rows.begin(), rows.end(),
                                      [](const auto& row) { return row.keysym == XK_KP_Decimal; });
    ASSERT_NE(decimal, rows.end());
    EXPECT_FALSE(test::recordQtKey(*connection_, *keys_, *decimal, otherDecimal));

    std::set<uint16_t> positions;
    for (auto code : VirtualKeyCodes::virtualKeys()) positions.insert(code);
    EXPECT_EQ(sim::usKeyboardKeys(), positions);
    positions.erase(53);  // Escape ends a recording
    EXPECT_EQ(recorded, positions);
    EXPECT_EQ(layout.translate(200), std::nullopt);

    // Keys are positions: a French layout puts Q where US has A, and A where US has Q,
    // and a shortcut on the A position fires on the key that now types q.
    std::vector<uint32_t> pressed;
    auto listening = hotKeys.onPressed([&](uint32_t, uint32_t id) { pressed.push_back(id); });
    ASSERT_TRUE(hotKeys.registerHotKey(0, controlOption, signature, 1));
    ASSERT_EQ(desktop_.run({"setxkbmap", "fr"}), 0);
    ASSERT_TRUE(pumpUntil([&] { return layout.translate(0) == std::optional<std::string>("q"); }));
    EXPECT_EQ(layout.translate(12), "a");
    XEvent mapping;  // the keymap this connection presses with follows the change too
    while (XCheckTypedEvent(other_, MappingNotify, &mapping))
        XRefreshKeyboardMapping(&mapping.xmapping);
    desktop_.pressKeys({XK_Control_L, XK_Alt_L, XK_a});
    settle();
    EXPECT_TRUE(pressed.empty());
    desktop_.pressKeys({XK_Control_L, XK_Alt_L, XK_q});
    ASSERT_TRUE(pumpUntil([&] { return pressed.size() == 1; }));
}

// Whether this connection has raw motion selected on the root window.
bool rawMotionSelected(Display* display) {
    int count = 0;
    XIEventMask* masks = XIGetSelectedEvents(display, DefaultRootWindow(display), &count);
    bool selected = false;
    for (int i = 0; i < count; ++i)
        selected |=
            masks[i].mask_len > XI_RawMotion / 8 && XIMaskIsSet(masks[i].mask, XI_RawMotion);
    if (masks) XFree(masks);
    return selected;
}

TEST_F(X11Input, MouseSourceReportsLeftDragsWithoutTakingThemAndHearsMotionOnlyWhileDown) {
    X11MouseEvents mouse(*connection_);
    auto listening = mouse.onEvent([&](const port::MouseEvent& e) { record(e); });
    ASSERT_TRUE(mouse.start());
    Display* own = connection_->display();
    // Shift is the stand-in for the function key on a standard keymap.
    EXPECT_EQ(mouse.functionKeyMask(), static_cast<unsigned>(ShiftMask));

    // An idle pointer sends nothing.
    EXPECT_FALSE(rawMotionSelected(own));
    for (int x = 10; x < 200; x += 10) XTestFakeMotionEvent(other_, -1, x, 50, CurrentTime);
    settle();
    EXPECT_TRUE(events.empty());
    XTestFakeButtonEvent(other_, 1, True, CurrentTime);
    XSync(other_, False);
    ASSERT_TRUE(pumpUntil([&] { return events.size() == 1; }));
    EXPECT_TRUE(rawMotionSelected(own));

    // Twenty movements already queued when the first is read: one drag event, at the end.
    // The position is read from the server when an event arrives, so input that outruns
    // the reader collapses, as it does for a person.
    for (int x = 200; x < 400; x += 10) XTestFakeMotionEvent(other_, -1, x, 60, CurrentTime);
    settle();
    // Taking nothing: another client can still grab the pointer during the drag.
    EXPECT_EQ(XGrabPointer(other_, DefaultRootWindow(other_), False, ButtonReleaseMask,
                           GrabModeAsync, GrabModeAsync, None, None, CurrentTime),
              GrabSuccess);
    XUngrabPointer(other_, CurrentTime);
    hold({XK_Shift_L});
    XTestFakeMotionEvent(other_, -1, 450, 65, CurrentTime);
    XSync(other_, False);
    ASSERT_TRUE(pumpUntil([&] { return events.size() == 3; }));
    release({XK_Shift_L});
    // A last movement read together with the release still comes before it.
    XTestFakeMotionEvent(other_, -1, 500, 70, CurrentTime);
    XTestFakeButtonEvent(other_, 1, False, CurrentTime);
    settle();
    EXPECT_EQ(events,
              (std::vector<std::string>{"down 190,50", "dragged 390,60", "dragged 450,65 fn",
                                        "dragged 500,70", "up 500,70"}));
    EXPECT_FALSE(rawMotionSelected(own));

    // Other buttons are not ours, and a stopped source is silent.
    XTestFakeButtonEvent(other_, 3, True, CurrentTime);
    XTestFakeButtonEvent(other_, 3, False, CurrentTime);
    mouse.stop();
    XTestFakeButtonEvent(other_, 1, True, CurrentTime);
    XTestFakeButtonEvent(other_, 1, False, CurrentTime);
    settle();
    settle();
    EXPECT_EQ(events.size(), 5u);
}

}  // namespace
}  // namespace kelvra::x11
