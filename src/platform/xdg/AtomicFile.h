#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kelvra::xdg {

// Replaces `file` with `content` so that a crash or a full disk leaves either the
// old file or the new one, never a mix: a temporary file in the same folder is
// written and flushed to disk, renamed over the target, and the folder flushed.
// The folder is created (mode 0700) when missing. The new file gets `mode`.
// On failure returns false with a description in `error`; the old file is untouched.
bool writeFileAtomically(const std::filesystem::path& file, std::string_view content,
                         std::string& error, unsigned mode = 0600);

}  // namespace kelvra::xdg
