#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra::xdg {

// Replaces `file` with `content` so that a crash or a full disk leaves either the
// old file or the new one, never a mix: a temporary file in the same folder is
// written and flushed to disk, renamed over the target, and the folder flushed.
// A `file` that is a symbolic link (as dotfile managers make) stays one: the file it
// leads to is replaced, next to itself. The folder is created (mode 0700) when
// missing. The new file gets `mode`.
// On failure returns false with a description in `error`; the old file is untouched.
bool writeFileAtomically(const std::filesystem::path& file, std::string_view content,
                         std::string& error, unsigned mode = 0600);

// The file that `file` finally names, following symbolic links (relative ones from
// the link's own folder); `file` itself when it is no link or does not exist. Empty,
// with the reason in `error`, for a link loop or an unreadable link.
std::filesystem::path followLinks(const std::filesystem::path& file, std::string& error);

// Removes the temporary files that interrupted saves of `file` (no links followed
// here) left in its folder: those of processes that no longer run, and those older
// than this process. Returns what was removed.
std::vector<std::filesystem::path> removeStaleTemporaries(const std::filesystem::path& file);

}  // namespace kelvra::xdg
