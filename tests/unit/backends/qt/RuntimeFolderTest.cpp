#include "backends/qt/RuntimeFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <vector>

namespace kelvra::qt {
namespace {

mode_t modeOf(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
}

TEST(RuntimeFolder, TheSessionFolderIsTakenAsItIs) {
    QTemporaryDir run, temp;
    auto chosen = RuntimeFolder::choose(run.path(), temp.path(), {});
    EXPECT_EQ(chosen.path, run.path());
    EXPECT_TRUE(chosen.warning.isEmpty());
    // Set but missing: as if unset.
    chosen = RuntimeFolder::choose(run.filePath("gone"), temp.path(), {});
    EXPECT_EQ(chosen.path, QDir(temp.path()).filePath(QString("kelvra-%1").arg(getuid())));
}

TEST(RuntimeFolder, WithoutASessionFolderOnlyAPrivateFolderOfTheUserIsUsed) {
    struct Case {
        const char* name;
        // Prepares <temp>/kelvra-<uid> before the choice; empty: nothing there.
        std::function<void(const QString& usual, const QString& temp)> prepare;
        bool usualTaken;
        const char* warningHas;
    };
    const std::vector<Case> cases = {
        {"missing: made private", nullptr, true, ""},
        {"ours, private", [](const QString& u, const QString&) { ::mkdir(u.toUtf8(), 0700); }, true,
         ""},
        {"ours, open to others",
         [](const QString& u, const QString&) {
             ::mkdir(u.toUtf8(), 0700);
             ::chmod(u.toUtf8(), 0777);
         },
         false, "mode is 777"},
        {"a link to a private folder",
         [](const QString& u, const QString& t) {
             QDir(t).mkdir("elsewhere");
             ::chmod(QDir(t).filePath("elsewhere").toUtf8(), 0700);
             QFile::link(QDir(t).filePath("elsewhere"), u);
         },
         false, "not a folder"},
        {"a file", [](const QString& u, const QString&) { QFile(u).open(QIODevice::WriteOnly); },
         false, "not a folder"},
        // Another local user made it first (only root can stage that here).
        {"another user's",
         [](const QString& u, const QString&) {
             ::mkdir(u.toUtf8(), 0700);
             if (getuid() == 0) {
                 [[maybe_unused]] int rc = ::chown(u.toUtf8(), 65534, 65534);
             }
         },
         getuid() != 0, "belongs to user id 65534"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir temp, home;
        const QString usual = QDir(temp.path()).filePath(QString("kelvra-%1").arg(getuid()));
        const QString cache = home.filePath("cache/kelvra/instance");
        if (c.prepare) c.prepare(usual, temp.path());

        auto chosen = RuntimeFolder::choose({}, temp.path(), cache);
        if (c.usualTaken) {
            EXPECT_EQ(chosen.path, usual);
            EXPECT_TRUE(chosen.warning.isEmpty()) << chosen.warning.toStdString();
            EXPECT_EQ(modeOf(usual), 0700u);
            continue;
        }
        EXPECT_EQ(chosen.path, cache);
        EXPECT_EQ(modeOf(cache), 0700u);
        EXPECT_TRUE(chosen.warning.contains(usual)) << chosen.warning.toStdString();
        EXPECT_TRUE(chosen.warning.contains(c.warningHas)) << chosen.warning.toStdString();

        // Without a usable cache folder either: a fresh private one, never the refused.
        QFile(home.filePath("blocker")).open(QIODevice::WriteOnly);
        chosen = RuntimeFolder::choose({}, temp.path(), home.filePath("blocker/instance"));
        EXPECT_FALSE(chosen.path.isEmpty());
        EXPECT_NE(chosen.path, usual);
        EXPECT_EQ(modeOf(chosen.path), 0700u);
        EXPECT_TRUE(chosen.warning.contains("later start")) << chosen.warning.toStdString();
    }
}

}  // namespace
}  // namespace kelvra::qt
