// The program as a process: its command line, signals, its lock and its handoff.
#include <X11/keysym.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

#ifdef KELVRA_PROGRAM
TEST(ProcessLife, HelpAndVersionAnswerWithoutADisplayAndTouchNothing) {
    namespace fs = std::filesystem;
    std::string tmpl = (fs::temp_directory_path() / "kelvra-cli-XXXXXX").string();
    const fs::path home = ::mkdtemp(tmpl.data());
    struct Case {
        std::string shell;  // "$0" is the program
        int exitCode;
        std::string says;
    };
    // Standard output and standard error are told apart by throwing the other away.
    const std::vector<Case> cases = {
        {R"("$0" --help 2>/dev/null)", 0, "Usage: kelvra"},
        {R"("$0" -h 2>/dev/null)", 0, "--version"},
        {R"("$0" --version 2>/dev/null)", 0, "Kelvra 0."},
        {R"("$0" --bogus >/dev/null)", 2, "unknown option '--bogus'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shell);
        const fs::path log = home / "out.log";
        fs::remove(log);
        int status = -1;
        {
            ChildProcess run({.argv = {"sh", "-c", c.shell, KELVRA_PROGRAM},
                              .environment = {{"DISPLAY", ""},
                                              {"WAYLAND_DISPLAY", ""},
                                              {"HOME", home.string()},
                                              {"XDG_RUNTIME_DIR", (home / "run").string()},
                                              {"XDG_CONFIG_HOME", (home / "config").string()},
                                              {"XDG_CACHE_HOME", (home / "cache").string()},
                                              {"TMPDIR", home.string()}},
                              .logFile = log,
                              .inheritedFds = {}});
            ASSERT_TRUE(Desktop::waitUntil([&] { return !run.running(); }, 10s));
            status = run.exitStatus().value_or(-1);
            EXPECT_NE(run.logText().find(c.says), std::string::npos) << run.logText();
        }
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.exitCode);
        // No lock, no socket, no settings file, no fallback folder.
        std::vector<std::string> made;
        for (const auto& e : fs::directory_iterator(home)) {
            if (e.path() != log) made.push_back(e.path().filename().string());
        }
        EXPECT_TRUE(made.empty()) << made.front();
    }
    fs::remove_all(home);
}
#endif

TEST(ProcessLife, SignalsAnEmptyLockAndTooLongArgumentsOfALaterStart) {
    Desktop desktop;
    // Left by an instance killed right after creating its lock.
    std::filesystem::create_directories(desktop.home() / "run");
    std::ofstream(desktop.home() / "run" / "kelvra.lock").close();
    desktop.startKelvra();

    ASSERT_EQ(kill(desktop.kelvraPid(), SIGPIPE), 0);
    Window w = desktop.startTestClient(
        {.title = "after SIGPIPE", .arguments = {"--geometry", "400x300+200+150"}});
    desktop.activate(w);
    ASSERT_TRUE(desktop.pressAndExpect(w, XK_Left, {0, 0, 716, 900})) << "SIGPIPE ended it";

    // A later start with too long arguments is refused with a reason; an ordinary one
    // still gives way.
    std::string output;
    EXPECT_EQ(desktop.runAnotherKelvra(10s, {"kelvra:" + std::string(40000, 'x')}, &output), 1);
    EXPECT_NE(output.find("too long"), std::string::npos) << output;
    EXPECT_EQ(desktop.runAnotherKelvra(10s, {"kelvra://auth/callback?code=abc"}), 0);

    // The terminal it ran in closes: a normal quit.
    ASSERT_EQ(kill(desktop.kelvraPid(), SIGHUP), 0);
    ASSERT_TRUE(Desktop::waitUntil([&] { return !desktop.kelvraRunning(); }));
    auto status = desktop.kelvraExitStatus();
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
        << "ended by the signal instead of quitting";
    // The next start in the session is the instance again.
    desktop.startKelvra();
    EXPECT_TRUE(desktop.kelvraRunning());
}

// Another local user made the fallback runtime folder first and waits there, holding
// the lock and listening, for the sign-in link of the next start.
TEST(ProcessLife, WithoutASessionFolderAFolderSomeoneElseMadeIsRefused) {
    namespace fs = std::filesystem;
    std::string tmpl = (fs::temp_directory_path() / "kelvra-tmpdir-XXXXXX").string();
    const fs::path temp = ::mkdtemp(tmpl.data());
    const fs::path trap = temp / ("kelvra-" + std::to_string(getuid()));
    fs::create_directories(trap);
    fs::permissions(trap, fs::perms::all);
    // Only the superuser can give it away; a folder open to all is refused the same.
    if (getuid() == 0) {
        [[maybe_unused]] int rc = chown(trap.c_str(), 65534, 65534);
    }
    int lock = open((trap / "kelvra.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0);
    int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (trap / "kelvra.sock").string();
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    chmod(socketPath.c_str(), 0777);
    ASSERT_EQ(listen(listener, 16), 0);

    {
        Desktop desktop;
        desktop.changeEnvironment({{"XDG_RUNTIME_DIR", ""}, {"TMPDIR", temp.string()}});
        // It starts as the instance instead of handing over to the trap.
        desktop.startKelvra();
        EXPECT_NE(desktop.kelvraLog().find("is not a private folder"), std::string::npos)
            << desktop.kelvraLog();
        EXPECT_EQ(desktop.runAnotherKelvra(10s, {"kelvra://auth/callback?code=secret"}), 0);
        EXPECT_TRUE(fs::exists(desktop.home() / ".cache/kelvra/instance/kelvra.sock"));
        EXPECT_TRUE(desktop.kelvraRunning());
    }
    EXPECT_LT(accept(listener, nullptr, nullptr), 0) << "the link went to the other user";
    close(listener);
    close(lock);
    fs::remove_all(temp);
}

}  // namespace
}  // namespace kelvra::e2e
