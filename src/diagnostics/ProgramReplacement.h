#pragma once

#include <string>
#include <string_view>

namespace kelvra {

// Puts `content` in place of the executable file `path` so that the path always names
// either the old program or the whole new one: a temporary file beside it is written,
// flushed and made executable, then renamed over it. The running program keeps its
// old file open and is not disturbed. False, with the reason, on any failure; the old
// file is then untouched.
bool replaceExecutable(const std::string& path, std::string_view content, std::string& error);

}  // namespace kelvra
