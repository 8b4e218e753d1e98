#pragma once

namespace kelvra::port {

// A dynamic property, set true on the toolkit window of a panel that belongs over a group
// of other windows (a divider and its chip): a desktop that cannot stack it just above
// them keeps it above everything only while one of them is in front.
inline constexpr const char* stacksWithGroupProperty = "kelvraStacksWithGroup";

}  // namespace kelvra::port
