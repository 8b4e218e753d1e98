#include "backends/qt/RuntimeFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kelvra::qt {

namespace {
QString systemError(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}
}  // namespace

bool RuntimeFolder::makePrivate(const QString& path, QString& why) {
    const QByteArray name = QFile::encodeName(path);
    QDir().mkpath(QFileInfo(path).path());
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        why = QStringLiteral("cannot create it: %1").arg(systemError(errno));
        return false;
    }
    // lstat: a link could point anywhere, also into another user's folder.
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0) {
        why = QStringLiteral("cannot examine it: %1").arg(systemError(errno));
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        why = QStringLiteral("it is not a folder");
        return false;
    }
    if (st.st_uid != ::getuid()) {
        why = QStringLiteral("it belongs to user id %1").arg(st.st_uid);
        return false;
    }
    if ((st.st_mode & 0777) != 0700) {
        why = QStringLiteral("its mode is %1, not 700").arg(st.st_mode & 0777, 3, 8, QChar('0'));
        return false;
    }
    return true;
}

RuntimeFolder RuntimeFolder::choose(const QString& xdgRuntimeDir, const QString& tempDir,
                                    const QString& cacheDir) {
    if (!xdgRuntimeDir.isEmpty() && QDir(xdgRuntimeDir).exists()) return {xdgRuntimeDir, {}};
    const QString usual = QDir(tempDir).filePath(QStringLiteral("kelvra-%1").arg(::getuid()));
    QString why;
    if (makePrivate(usual, why)) return {usual, {}};

    RuntimeFolder chosen;
    chosen.warning =
        QStringLiteral("%1 is not a private folder of this user (%2); ").arg(usual, why);
    QString cacheWhy;
    if (!cacheDir.isEmpty() && makePrivate(cacheDir, cacheWhy)) {
        chosen.path = cacheDir;
        chosen.warning += QStringLiteral("using %1 instead").arg(cacheDir);
        return chosen;
    }
    // A fresh folder of our own: safe, but later starts will not find this instance.
    QByteArray fresh = QFile::encodeName(
        QDir(tempDir).filePath(QStringLiteral("kelvra-%1-XXXXXX").arg(::getuid())));
    if (::mkdtemp(fresh.data())) {
        chosen.path = QFile::decodeName(fresh);
        chosen.warning += QStringLiteral(
                              "using %1 instead, so a later start will not find "
                              "this one")
                              .arg(chosen.path);
    } else {
        chosen.warning += QStringLiteral("no private folder could be made either");
    }
    return chosen;
}

}  // namespace kelvra::qt
