#include "backends/qt/SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <vector>

#include <QDataStream>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>

#include "unit/backends/qt/CapturedLog.h"
#include "unit/backends/qt/EventLoop.h"

namespace kelvra::qt {
namespace {

using test::runUntil;
using Role = SingleInstance::Role;

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

void writeTo(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

// True once the server has closed the connection (end of file, or reset).
bool closedByPeer(int fd) {
    char byte;
    ssize_t n = ::recv(fd, &byte, 1, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

// A first instance in a private folder, collecting what later starts hand over.
class SingleInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        first.onArguments = [this](const QStringList& args) { received.push_back(args); };
        ASSERT_EQ(first.claim({}), Role::primary);
        ASSERT_TRUE(first.error().isEmpty()) << first.error().toStdString();
    }
    Role startAgain(const QStringList& arguments) {
        return SingleInstance(dir.path()).claim(arguments);
    }

    test::CapturedLog log;
    QTemporaryDir dir;
    SingleInstance first{dir.path()};
    std::vector<QStringList> received;
};

TEST_F(SingleInstanceTest, LaterStartHandsItsArgumentsToTheFirstAndGarbageIsIgnored) {
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

    ASSERT_EQ(startAgain({"--flag", "kelvra://auth/callback?code=abc"}), Role::secondary);
    ASSERT_TRUE(runUntil([&] { return !received.empty(); }));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], (QStringList{"--flag", "kelvra://auth/callback?code=abc"}));
    EXPECT_EQ(SingleInstance::urlsIn({"kelvra:x", "KELVRA://y", "https://kelvra", "-v", ""}),
              (QStringList{"kelvra:x", "KELVRA://y"}));
}

TEST(SingleInstance, OnlyALiveHolderKeepsALaterStartOutWhateverTheLockFileHolds) {
    struct Case {
        const char* name;
        std::function<void(const QString& lockPath)> prepare;
    };
    const std::vector<Case> cases = {
        // Killed after creating the file and before writing it.
        {"empty", [](const QString& p) { QFile(p).open(QIODevice::WriteOnly); }},
        {"garbage", [](const QString& p) { writeTo(p, QByteArray("\xff\x00not a pid\n", 15)); }},
        // A crashed instance's lock naming a process that is gone, and its socket file.
        {"crashed",
         [](const QString& p) {
             writeTo(p, "999999999\nkelvra\n");
             writeTo(QFileInfo(p).dir().filePath("kelvra.sock"), "");
         }},
        {"unreadable",
         [](const QString& p) {
             QFile(p).open(QIODevice::WriteOnly);
             QFile::setPermissions(p, QFile::Permissions());
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        c.prepare(dir.filePath("kelvra.lock"));
        {
            SingleInstance instance(dir.path());
            EXPECT_EQ(instance.claim({}), Role::primary);
            EXPECT_TRUE(instance.error().isEmpty()) << instance.error().toStdString();
            // And it really holds the lock now, however old the lock file looks.
            QFile lock(dir.filePath("kelvra.lock"));
            ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
            ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addDays(-1),
                                         QFileDevice::FileModificationTime));
            lock.close();
            SingleInstance later(dir.path());
            EXPECT_EQ(later.claim({}), Role::secondary);
        }
        // Ended normally: the next start is the instance again.
        SingleInstance next(dir.path());
        EXPECT_EQ(next.claim({}), Role::primary);
    }
}

TEST_F(SingleInstanceTest, SilentConnectionsAreClosedAndCannotCrowdOutALaterStart) {
    first.setIdleTimeout(200);

    // More silent peers than are served at once: the rest wait in the backlog.
    std::vector<int> silent;
    for (int i = 0; i < SingleInstance::maxPeers + 4; ++i) {
        int fd = connectTo(first.socketPath());
        ASSERT_GE(fd, 0);
        silent.push_back(fd);
    }
    ASSERT_EQ(startAgain({"kelvra:later"}), Role::secondary);
    ASSERT_TRUE(runUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received[0], QStringList{"kelvra:later"});
    ASSERT_TRUE(runUntil([&] { return std::all_of(silent.begin(), silent.end(), closedByPeer); }))
        << "silent peers are kept";
    for (int fd : silent) ::close(fd);
    EXPECT_TRUE(QFileInfo::exists(first.socketPath()));
}

TEST_F(SingleInstanceTest, RunningOutOfDescriptorsNeitherLosesTheSocketNorTheConnection) {
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
    ASSERT_EQ(startAgain({"kelvra:after"}), Role::secondary);
    ASSERT_TRUE(runUntil([&] { return received.size() == 2; }));
    EXPECT_EQ(received[1], QStringList{"kelvra:after"});
}

TEST_F(SingleInstanceTest, TooLongArgumentsAreRefusedOnBothSidesWithAReason) {
    // The sender refuses before sending (UTF-16: two bytes a character).
    const QString huge(SingleInstance::maxMessageSize / 2, QChar('a'));
    SingleInstance later(dir.path());
    EXPECT_EQ(later.claim({"kelvra:" + huge}), Role::failed);
    EXPECT_TRUE(later.error().contains("too long")) << later.error().toStdString();
    // Just under the limit still goes through.
    const QString large(SingleInstance::maxMessageSize / 2 - 64, QChar('b'));
    EXPECT_EQ(startAgain({large}), Role::secondary);
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

}  // namespace
}  // namespace kelvra::qt
