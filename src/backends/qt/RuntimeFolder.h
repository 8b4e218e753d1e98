#pragma once

#include <QString>

namespace kelvra::qt {

// The folder of the instance lock and socket. Whoever can write there receives the
// arguments of later starts (sign-in links with their codes), so it must be the
// user's alone.
struct RuntimeFolder {
    QString path;
    // Why the usual folder was refused; empty when it was taken.
    QString warning;

    // `xdgRuntimeDir` when it exists (the session manager made it private). Otherwise
    // kelvra-<uid> in `tempDir`, made when missing; a folder of that name that is not
    // the user's own with mode 0700 (another local user may have made it first) is
    // refused for one in `cacheDir`, or, failing that, a fresh private one in `tempDir`.
    static RuntimeFolder choose(const QString& xdgRuntimeDir, const QString& tempDir,
                                const QString& cacheDir);

    // Makes `path` (mode 0700) when missing. True when it is then a real folder (no
    // symbolic link) owned by this user with mode 0700; else false and why.
    static bool makePrivate(const QString& path, QString& why);
};

}  // namespace kelvra::qt
