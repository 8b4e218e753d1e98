#include "backends/wayland/BridgePackage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace kelvra::wayland {

QString shippedBridge(const QString& name) {
    const QDir dir =
        QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).dir();
    for (const QString& candidate :
         {dir.filePath(QStringLiteral("bridges/") + name),
          dir.filePath(QStringLiteral("../share/kelvra/bridges/") + name)}) {
        if (QFileInfo::exists(candidate + QStringLiteral("/metadata.json")))
            return QDir::cleanPath(candidate);
    }
    return {};
}

bool copyTree(const QString& from, const QString& to) {
    if (!QDir().mkpath(to)) return false;
    for (const QFileInfo& entry :
         QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir() ? !copyTree(entry.filePath(), target)
                          : !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}

bool removeCopy(const QString& path) {
    if (!QFileInfo::exists(path) || QDir(path).removeRecursively()) return true;
    std::fprintf(stderr, "kelvra: cannot remove %s\n", path.toLocal8Bit().constData());
    return false;
}

}  // namespace kelvra::wayland
