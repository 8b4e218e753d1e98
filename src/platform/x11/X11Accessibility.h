#pragma once

#include <X11/Xlib.h>

#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/port/Accessibility.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WindowCommands.h"
#include "platform/x11/X11WindowMover.h"
#include "platform/x11/X11Windows.h"

namespace kelvra::x11 {

// Other applications' windows as accessibility elements: client windows, the
// applications they belong to (by process id) and the system-wide element.
class X11Accessibility final : public port::Accessibility {
  public:
    explicit X11Accessibility(X11Connection& connection);
    ~X11Accessibility() override;

    bool isProcessTrusted() override;
    void promptForTrust() override;
    void openPermissionSettings() override;

    port::AXElement applicationElement(int32_t pid) override;
    port::AXElement systemWideElement() override;
    std::optional<port::AXElement> elementAtPosition(port::AXElement systemWide, Point p) override;
    std::optional<int32_t> pidOf(port::AXElement element) override;
    void setMessagingTimeout(port::AXElement element, double seconds) override;

    std::optional<port::AXAttributeValue> copyAttributeValue(port::AXElement element,
                                                             const std::string& attribute) override;
    bool setAttributeValue(port::AXElement element, const std::string& attribute,
                           const port::AXAttributeValue& value) override;
    bool performAction(port::AXElement element, const std::string& action) override;

    std::optional<port::AXObserverId> createObserver(int32_t pid,
                                                     ObserverCallback callback) override;
    bool addNotification(port::AXObserverId observer, port::AXElement element,
                         const std::string& notification) override;
    void removeNotification(port::AXObserverId observer, port::AXElement element,
                            const std::string& notification) override;
    void destroyObserver(port::AXObserverId observer) override;

  private:
    struct Observer {
        int32_t pid = 0;
        ObserverCallback callback;
        std::set<std::pair<uint64_t, std::string>> registrations;
    };
    // What was last seen of a watched window, to tell which notifications a change makes.
    struct Watched {
        Window frame = None;
        Rect frameRect;
        bool minimized = false;
    };

    std::optional<Window> windowOf(port::AXElement element);
    std::optional<Window> focusedWindowOf(int32_t pid);
    std::vector<Window> windowsOfPid(int32_t pid);
    void watch(Window w);
    void onEvent(const XEvent& e);
    void scheduleCheck(Window w);
    void checkWindow(Window w);
    void scheduleClientListCheck();
    void checkClientList();
    // Calls the observers registered for the notification on `registeredOn`, passing
    // `subject` (the new window of a created notification) or else that element.
    void deliver(port::AXElement registeredOn, const std::string& notification,
                 std::optional<port::AXElement> subject = std::nullopt);
    double timeoutFor(port::AXElement element) const;

    X11Connection& c_;
    X11Windows windows_;
    X11WindowMover mover_;
    X11WindowCommands commands_;
    uint64_t listener_ = 0;
    std::map<uint64_t, double> timeouts_;
    std::map<port::AXObserverId, Observer> observers_;
    port::AXObserverId nextObserver_ = 1;
    std::map<Window, Watched> watched_;
    std::map<Window, Window> clientOfFrame_;
    std::set<Window> checksPending_;
    bool clientListCheckPending_ = false;
    std::set<Window> knownClients_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kelvra::x11
