// The program as a process: its command line, signals, its lock and its handoff.
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

namespace fs = std::filesystem;

fs::path freshFolder(const char* name) {
    std::string pattern = (fs::temp_directory_path() / name).string() + "-XXXXXX";
    return ::mkdtemp(pattern.data());
}

TEST(ProcessLife, HelpAndVersionAnswerWithoutADisplayAndTouchNothing) {
    const fs::path home = freshFolder("kelvra-cli");
    const struct {
        std::string shell;  // "$0" is the program; the other output stream is thrown away
        int exitCode;
        std::string says;
    } cases[] = {
        {R"("$0" --help 2>/dev/null)", 0, "Usage: kelvra"},
        {R"("$0" --version 2>/dev/null)", 0, "Kelvra 0."},
        {R"("$0" --bogus >/dev/null)", 2, "unknown option '--bogus'"},
        // Understood, but there is no desktop to act on.
        {R"("$0" -- --bogus >/dev/null)", 1, "no X display"},
        {R"("$0" --settings=nowhere kelvra: >/dev/null)", 1, "no X display"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shell);
        const fs::path log = home / "out.log";
        fs::remove(log);
        ChildProcess run({"sh", "-c", c.shell, kelvraProgram()},
                         {{"DISPLAY", ""},
                          {"WAYLAND_DISPLAY", ""},
                          {"HOME", home.string()},
                          {"XDG_RUNTIME_DIR", (home / "run").string()},
                          {"XDG_CONFIG_HOME", (home / "config").string()},
                          {"XDG_CACHE_HOME", (home / "cache").string()},
                          {"TMPDIR", home.string()}},
                         log);
        ASSERT_TRUE(Desktop::waitUntil([&] { return !run.running(); }, 10s));
        EXPECT_EQ(run.exitCode(), c.exitCode);
        EXPECT_NE(run.logText().find(c.says), std::string::npos) << run.logText();
        // No lock, no socket, no settings file, no fallback folder.
        for (const auto& e : fs::directory_iterator(home))
            EXPECT_EQ(e.path(), log) << "made " << e.path();
    }
    fs::remove_all(home);
}

TEST(ProcessLife, SignalsAnEmptyLockAndTooLongArgumentsOfALaterStart) {
    Desktop desktop;
    // Left by an instance killed right after creating its lock.
    std::ofstream(desktop.home() / "run/kelvra.lock").close();
    desktop.startKelvra();

    ASSERT_EQ(kill(desktop.kelvraPid(), SIGPIPE), 0);
    Window w = desktop.startActiveClient({"after SIGPIPE"});
    ASSERT_TRUE(desktop.pressAndExpect(w, XK_Left, zone::leftHalf)) << "SIGPIPE ended it";

    // A later start with too long arguments is refused with a reason; an ordinary one
    // still gives way.
    std::string output;
    EXPECT_EQ(desktop.runAnotherKelvra({"kelvra:" + std::string(40000, 'x')}, &output), 1);
    EXPECT_NE(output.find("too long"), std::string::npos) << output;
    EXPECT_EQ(desktop.runAnotherKelvra({"kelvra://auth/callback?code=abc"}), 0);

    // The terminal it ran in closes: a normal quit, not an end by the signal, even with
    // the settings window (which only hides when closed) and a zone preview showing.
    ASSERT_TRUE(desktop.openSettings("general"));
    EXPECT_EQ(desktop.runAnotherKelvra({"--show-zone=rightHalf"}), 0);
    ASSERT_TRUE(
        Desktop::waitUntil([&] { return desktop.ownWindowNear(zone::rightHalf).has_value(); }));
    ASSERT_EQ(kill(desktop.kelvraPid(), SIGHUP), 0);
    ASSERT_TRUE(Desktop::waitUntil([&] { return !desktop.kelvraRunning(); }));
    EXPECT_EQ(desktop.kelvra().exitCode(), 0);
    // The next start in the session is the instance again.
    desktop.startKelvra();
    EXPECT_TRUE(desktop.kelvraRunning());
}

// Another local user made the fallback runtime folder first and waits there, holding
// the lock and listening, for the sign-in link of the next start.
TEST(ProcessLife, WithoutASessionFolderAFolderSomeoneElseMadeIsRefused) {
    const fs::path temp = freshFolder("kelvra-tmpdir");
    const fs::path trap = temp / ("kelvra-" + std::to_string(getuid()));
    fs::create_directories(trap);
    fs::permissions(trap, fs::perms::all);
    // Only the superuser can give it away; a folder open to all is refused the same.
    ASSERT_TRUE(getuid() != 0 || chown(trap.c_str(), 65534, 65534) == 0);
    int lock = open((trap / "kelvra.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0);
    int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{AF_UNIX, {}};
    const std::string socketPath = (trap / "kelvra.sock").string();
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    chmod(socketPath.c_str(), 0777);
    ASSERT_EQ(listen(listener, 16), 0);
    {
        Desktop desktop;
        desktop.changeEnvironment({{"XDG_RUNTIME_DIR", ""}, {"TMPDIR", temp.string()}});
        // It starts as the instance instead of handing over to the trap.
        desktop.startKelvra();
        EXPECT_TRUE(desktop.kelvraSaid("is not a private folder"));
        EXPECT_EQ(desktop.runAnotherKelvra({"kelvra://auth/callback?code=secret"}), 0);
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
