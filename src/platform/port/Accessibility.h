#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "geometry/Rect.h"

namespace kelvra::port {

// An accessibility element: a window, an application, the system-wide element or
// something inside a window. Backends give every underlying object one stable id,
// so two elements are the same object exactly when their ids are equal.
struct AXElement {
    uint64_t id = 0;
    friend bool operator==(const AXElement&, const AXElement&) = default;
};

// The value of an attribute. Position and size travel as Point and Size; a read that
// yields another alternative than the caller expects counts as "no value".
using AXAttributeValue = std::variant<bool, double, std::string, Point, Size, AXElement,
                                      std::vector<AXElement>>;

using AXObserverId = uint64_t;

// Attribute, action and notification names shared by every backend.
namespace ax {
inline constexpr const char* position = "AXPosition";
inline constexpr const char* size = "AXSize";
inline constexpr const char* title = "AXTitle";
inline constexpr const char* subrole = "AXSubrole";
inline constexpr const char* role = "AXRole";
inline constexpr const char* minimized = "AXMinimized";
inline constexpr const char* enhancedUserInterface = "AXEnhancedUserInterface";
inline constexpr const char* windows = "AXWindows";
inline constexpr const char* focusedWindow = "AXFocusedWindow";
inline constexpr const char* window = "AXWindow";
inline constexpr const char* parent = "AXParent";
inline constexpr const char* raiseAction = "AXRaise";
inline constexpr const char* standardWindowSubrole = "AXStandardWindow";
inline constexpr const char* dialogSubrole = "AXDialog";
inline constexpr const char* floatingWindowSubrole = "AXFloatingWindow";
inline constexpr const char* windowRole = "AXWindow";
inline constexpr const char* movedNotification = "AXMoved";
inline constexpr const char* resizedNotification = "AXResized";
inline constexpr const char* destroyedNotification = "AXUIElementDestroyed";
inline constexpr const char* miniaturizedNotification = "AXWindowMiniaturized";
inline constexpr const char* windowCreatedNotification = "AXWindowCreated";
}  // namespace ax

// The accessibility service: reading and writing other applications' windows.
// All positions are in the top-left space. Every call is made on the main thread;
// failures are never errors, only "no value".
class Accessibility {
public:
    virtual ~Accessibility() = default;

    // Whether the user has allowed this process to control other windows.
    virtual bool isProcessTrusted() = 0;
    // Asks for the permission with the system's own prompt (result unused).
    virtual void promptForTrust() = 0;
    // Opens the system's settings page for the permission.
    virtual void openPermissionSettings() = 0;

    virtual AXElement applicationElement(int32_t pid) = 0;
    virtual AXElement systemWideElement() = 0;
    virtual std::optional<AXElement> elementAtPosition(AXElement systemWide, Point p) = 0;
    virtual std::optional<int32_t> pidOf(AXElement element) = 0;
    // Bounds how long any later call on this element may block on a hung application.
    virtual void setMessagingTimeout(AXElement element, double seconds) = 0;

    virtual std::optional<AXAttributeValue> copyAttributeValue(AXElement element,
                                                               const std::string& attribute) = 0;
    // Returns whether the platform accepted the write; callers verify effects by reading back.
    virtual bool setAttributeValue(AXElement element, const std::string& attribute,
                                   const AXAttributeValue& value) = 0;
    virtual bool performAction(AXElement element, const std::string& action) = 0;

    // Observers: one per process. Notifications are delivered on the main run loop.
    using ObserverCallback =
        std::function<void(AXElement element, const std::string& notification)>;
    virtual std::optional<AXObserverId> createObserver(int32_t pid, ObserverCallback callback) = 0;
    virtual bool addNotification(AXObserverId observer, AXElement element,
                                 const std::string& notification) = 0;
    virtual void removeNotification(AXObserverId observer, AXElement element,
                                    const std::string& notification) = 0;
    virtual void destroyObserver(AXObserverId observer) = 0;
};

}  // namespace kelvra::port

template <>
struct std::hash<kelvra::port::AXElement> {
    size_t operator()(const kelvra::port::AXElement& e) const noexcept {
        return std::hash<uint64_t>{}(e.id);
    }
};
