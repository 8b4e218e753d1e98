#include "platform/qt/SingleInstance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <vector>

#include <QDataStream>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSysInfo>
#include <QTemporaryDir>

#include "qt/CapturedLog.h"
#include "qt/EventLoop.h"

namespace kelvra::qt {
namespace {

using test::runUntil;

// A raw client connection (blocking), as a misbehaving or later start would make.
int connectTo(const QString& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray p = QFile::encodeName(path);
    std::memcpy(address.sun_path, p.constData(), static_cast<size_t>(p.size()));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

QByteArray messageOf(const QStringList& arguments) {
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << arguments;
    return message;
}

// True once the server has closed the connection (end of file, or reset).
bool closedByPeer(int fd) {
    char byte;
    ssize_t n = ::recv(fd, &byte, 1, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

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

TEST(SingleInstance, OnlyALiveHolderKeepsALaterStartOutWhateverTheLockFileHolds) {
    struct Case {
        const char* name;
        std::function<void(const QString& lockPath)> prepare;
    };
    const std::vector<Case> cases = {
        // Killed after creating the file and before writing it.
        {"empty", [](const QString& p) { QFile(p).open(QIODevice::WriteOnly); }},
        {"garbage",
         [](const QString& p) {
             QFile f(p);
             f.open(QIODevice::WriteOnly);
             f.write("\xff\x00not a pid\n", 15);
         }},
        {"unreadable",
         [](const QString& p) {
             QFile(p).open(QIODevice::WriteOnly);
             QFile::setPermissions(p, QFile::Permissions());
         }},
        // Held by a process that was then killed: the kernel lets go of its lock.
        {"holder killed",
         [](const QString& p) {
             int ready[2];
             ASSERT_EQ(pipe(ready), 0);
             const QByteArray path = QFile::encodeName(p);
             pid_t child = fork();
             ASSERT_GE(child, 0);
             if (child == 0) {
                 int fd = ::open(path.constData(), O_RDWR | O_CREAT, 0600);
                 if (fd < 0 || ::flock(fd, LOCK_EX) != 0) _exit(1);
                 [[maybe_unused]] auto n = ::write(ready[1], "x", 1);
                 for (;;) pause();
             }
             char byte = 0;
             ASSERT_EQ(::read(ready[0], &byte, 1), 1);
             // While it lives, it holds the lock.
             int probe = ::open(path.constData(), O_RDWR);
             EXPECT_NE(::flock(probe, LOCK_EX | LOCK_NB), 0);
             ::close(probe);
             kill(child, SIGKILL);
             waitpid(child, nullptr, 0);
             ::close(ready[0]);
             ::close(ready[1]);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        c.prepare(dir.filePath("kelvra.lock"));
        {
            SingleInstance instance(dir.path());
            EXPECT_EQ(instance.claim({}), SingleInstance::Role::primary);
            EXPECT_TRUE(instance.error().isEmpty()) << instance.error().toStdString();
            // And it really holds the lock now.
            SingleInstance later(dir.path());
            EXPECT_EQ(later.claim({}), SingleInstance::Role::secondary);
        }
        // Ended normally: the next start is the instance again.
        SingleInstance next(dir.path());
        EXPECT_EQ(next.claim({}), SingleInstance::Role::primary);
    }
}

TEST(SingleInstance, SilentConnectionsAreClosedAndCannotCrowdOutALaterStart) {
    QTemporaryDir dir;
    SingleInstance first(dir.path());
    first.setIdleTimeout(200);
    std::vector<QStringList> received;
    first.onArguments = [&](const QStringList& args) { received.push_back(args); };
    ASSERT_EQ(first.claim({}), SingleInstance::Role::primary);

    // More silent peers than are served at once: the rest wait in the backlog.
    std::vector<int> silent;
    for (int i = 0; i < SingleInstance::maxPeers + 4; ++i) {
        int fd = connectTo(first.socketPath());
        ASSERT_GE(fd, 0);
        silent.push_back(fd);
    }
    SingleInstance later(dir.path());
    ASSERT_EQ(later.claim({"kelvra:later"}), SingleInstance::Role::secondary);
    ASSERT_TRUE(runUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received[0], QStringList{"kelvra:later"});
    ASSERT_TRUE(runUntil([&] { return std::all_of(silent.begin(), silent.end(), closedByPeer); }))
        << "silent peers are kept";
    for (int fd : silent) ::close(fd);
    EXPECT_TRUE(QFileInfo::exists(first.socketPath()));
}

TEST(SingleInstance, RunningOutOfDescriptorsNeitherLosesTheSocketNorTheConnection) {
    test::CapturedLog log;
    QTemporaryDir dir;
    SingleInstance first(dir.path());
    std::vector<QStringList> received;
    first.onArguments = [&](const QStringList& args) { received.push_back(args); };
    ASSERT_EQ(first.claim({}), SingleInstance::Role::primary);

    // A later start connects and sends; then every descriptor of the process is taken.
    int client = connectTo(first.socketPath());
    ASSERT_GE(client, 0);
    QByteArray message = messageOf({"kelvra:during-shortage"});
    ASSERT_EQ(::write(client, message.constData(), message.size()), message.size());
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = static_cast<rlim_t>(client) + 64;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> fillers;
    for (int fd; (fd = ::dup(client)) >= 0;) fillers.push_back(fd);
    ASSERT_EQ(errno, EMFILE);

    EXPECT_TRUE(runUntil([&] { return log.count("cannot accept") > 0; }));
    EXPECT_TRUE(received.empty());
    for (int fd : fillers) ::close(fd);
    setrlimit(RLIMIT_NOFILE, &saved);

    ASSERT_TRUE(runUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received[0], QStringList{"kelvra:during-shortage"});
    EXPECT_EQ(log.count("cannot accept"), 1u) << "one line per shortage";
    ::close(client);
    // Still listening: the next start gets through too.
    SingleInstance later(dir.path());
    ASSERT_EQ(later.claim({"kelvra:after"}), SingleInstance::Role::secondary);
    ASSERT_TRUE(runUntil([&] { return received.size() == 2; }));
    EXPECT_EQ(received[1], QStringList{"kelvra:after"});
}

TEST(SingleInstance, TooLongArgumentsAreRefusedOnBothSidesWithAReason) {
    test::CapturedLog log;
    QTemporaryDir dir;
    SingleInstance first(dir.path());
    std::vector<QStringList> received;
    first.onArguments = [&](const QStringList& args) { received.push_back(args); };
    ASSERT_EQ(first.claim({}), SingleInstance::Role::primary);

    // The sender refuses before sending (UTF-16: two bytes a character).
    const QString huge(SingleInstance::maxMessageSize / 2, QChar('a'));
    SingleInstance later(dir.path());
    EXPECT_EQ(later.claim({"kelvra:" + huge}), SingleInstance::Role::failed);
    EXPECT_TRUE(later.error().contains("too long")) << later.error().toStdString();
    // Just under the limit still goes through.
    const QString large(SingleInstance::maxMessageSize / 2 - 64, QChar('b'));
    SingleInstance fitting(dir.path());
    EXPECT_EQ(fitting.claim({large}), SingleInstance::Role::secondary);
    ASSERT_TRUE(runUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received[0], QStringList{large});

    // The receiver refuses what another sender pushes anyway, and says so.
    int client = connectTo(first.socketPath());
    ASSERT_GE(client, 0);
    const QByteArray message = messageOf({huge, huge});
    QByteArray rest = message;
    ASSERT_TRUE(runUntil([&] {
        ssize_t n = ::send(client, rest.constData(), static_cast<size_t>(rest.size()),
                           MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) rest.remove(0, n);
        return rest.isEmpty() || log.count("refused") > 0;
    }));
    ASSERT_TRUE(runUntil([&] { return log.count("refused") > 0; }));
    EXPECT_EQ(log.count(std::to_string(SingleInstance::maxMessageSize) + " bytes"), 1u);
    ::close(client);
    EXPECT_EQ(received.size(), 1u);
}

TEST(SingleInstance, OnlyOurOwnSchemeCountsAsUrl) {
    EXPECT_EQ(SingleInstance::urlsIn({"kelvra:x", "KELVRA://y", "https://kelvra", "-v", ""}),
              (QStringList{"kelvra:x", "KELVRA://y"}));
}

}  // namespace
}  // namespace kelvra::qt
