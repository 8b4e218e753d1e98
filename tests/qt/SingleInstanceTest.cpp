#include "platform/qt/SingleInstance.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSysInfo>
#include <QTemporaryDir>

#include "qt/EventLoop.h"

namespace kelvra::qt {
namespace {

using test::runUntil;

TEST(SingleInstance, LaterStartHandsItsArgumentsToTheFirstAndGarbageIsIgnored) {
    QTemporaryDir dir;
    SingleInstance first(dir.path());
    std::vector<QStringList> received;
    first.onArguments = [&](const QStringList& args) { received.push_back(args); };
    ASSERT_EQ(first.claim({}), SingleInstance::Role::primary);
    EXPECT_TRUE(first.error().isEmpty());
    // Only the user may connect.
    EXPECT_EQ(QFileInfo(first.socketPath()).permissions() &
                  (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());

    // Bytes that are no argument list neither crash nor block the next start.
    {
        QLocalSocket garbage;
        garbage.connectToServer(first.socketPath());
        ASSERT_TRUE(garbage.waitForConnected(1000));
        garbage.write(QByteArray("\xff\xff\xff\x7fnot a list", 14));
        garbage.waitForBytesWritten(1000);
        garbage.disconnectFromServer();
    }

    SingleInstance second(dir.path());
    ASSERT_EQ(second.claim({"--flag", "kelvra://auth/callback?code=abc"}),
              SingleInstance::Role::secondary);
    ASSERT_TRUE(runUntil([&] { return !received.empty(); }));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], (QStringList{"--flag", "kelvra://auth/callback?code=abc"}));
    EXPECT_EQ(SingleInstance::urlsIn(received[0]), QStringList{"kelvra://auth/callback?code=abc"});
}

TEST(SingleInstance, LockOfALiveInstanceHoldsHoweverOldAndACrashedOneIsTakenOver) {
    {
        QTemporaryDir dir;
        SingleInstance first(dir.path());
        ASSERT_EQ(first.claim({}), SingleInstance::Role::primary);
        // Make the lock look a day old: the first instance still runs, so it holds.
        QFile lockFile(dir.filePath("kelvra.lock"));
        ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
        ASSERT_TRUE(lockFile.setFileTime(QDateTime::currentDateTime().addDays(-1),
                                         QFileDevice::FileModificationTime));
        lockFile.close();
        SingleInstance second(dir.path());
        EXPECT_EQ(second.claim({}), SingleInstance::Role::secondary);
    }

    QTemporaryDir dir;
    // A lock file naming a process that does not exist, and its socket file.
    QFile lock(dir.filePath("kelvra.lock"));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write("999999999\nkelvra\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    lock.close();
    QFile socket(dir.filePath("kelvra.sock"));
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    socket.close();

    SingleInstance instance(dir.path());
    EXPECT_EQ(instance.claim({}), SingleInstance::Role::primary);
    EXPECT_TRUE(instance.error().isEmpty()) << instance.error().toStdString();
}

TEST(SingleInstance, OnlyOurOwnSchemeCountsAsUrl) {
    EXPECT_EQ(SingleInstance::urlsIn({"kelvra:x", "KELVRA://y", "https://kelvra", "-v", ""}),
              (QStringList{"kelvra:x", "KELVRA://y"}));
}

}  // namespace
}  // namespace kelvra::qt
