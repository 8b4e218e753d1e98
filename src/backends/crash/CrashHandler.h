#pragma once

#include <filesystem>
#include <string>

namespace kelvra::crash {

// The folder crash records go to: $XDG_STATE_HOME/kelvra/crashes when that is an
// absolute path, else ~/.local/state/kelvra/crashes. Nothing is created.
std::filesystem::path defaultCrashFolder();

// Installs the crash handler for SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT and uncaught
// exceptions. On a crash it writes one record (see CrashRecord) into `folder` and then
// lets the signal kill the process as it would have without us, so core dumps and the
// system's crash tools still see it. Everything the handler needs (the folder, the
// system's name, the version, the loaded modules with their build ids) is prepared
// here: in the handler nothing allocates or takes a lock. The folder is created (0700).
// False, with the reason, when the handler could not be installed.
bool installCrashHandler(const std::filesystem::path& folder, const std::string& version,
                         const std::string& build, std::string& error);

// Takes a new picture of the loaded modules (libraries loaded later, such as toolkit
// plugins, are then known by name and build id). Main thread only.
void refreshModules();

// Test builds only: crashes now when KELVRA_TEST_CRASH is "segv" or "abort".
void crashIfAsked();

}  // namespace kelvra::crash
