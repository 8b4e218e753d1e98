// The settings file under faults, through the program's own writer (JsonDefaultsDomain):
//  - a writer killed with SIGKILL at random moments while it saves, hundreds of times:
//    the file must always read as a whole settings file, the old one or the new one;
//  - the folder full (a small tmpfs) and read-only (a read-only bind mount): the save
//    fails with a log line, the old file stays whole, and once the fault is gone the
//    next save writes everything kept in memory.
// The mounts need CAP_SYS_ADMIN (root in a container); without it those two are skipped
// and said to be. Exits 1 when any check fails; prints a summary either way.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <variant>

#include "backends/xdg/JsonDefaultsDomain.h"

namespace {

namespace fs = std::filesystem;
using kelvra::xdg::JsonDefaultsDomain;

int failures = 0;

void check(bool ok, const std::string& what) {
    if (ok) return;
    ++failures;
    std::printf("FAIL: %s\n", what.c_str());
}

// A value that proves itself whole: its generation, a body whose length follows from
// it, and an end mark.
std::string payload(long generation) {
    const size_t length = 1000 + static_cast<size_t>(generation * 7919 % 200000);
    return "g" + std::to_string(generation) + ":" + std::string(length, 'x') + ":end";
}

std::optional<long> generationOf(const std::string& value) {
    const auto colon = value.find(':');
    if (value.empty() || value[0] != 'g' || colon == std::string::npos) return std::nullopt;
    const long generation = std::stol(value.substr(1, colon - 1));
    if (value != payload(generation)) return std::nullopt;
    return generation;
}

size_t temporaries(const fs::path& folder) {
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += entry.path().filename().string().rfind(".com.orvane.Kelvra.json.tmp-", 0) == 0;
    return count;
}

// Reads the file as the program does at start: nothing set aside, a whole payload.
std::optional<long> readBack(const fs::path& file, const std::string& when) {
    JsonDefaultsDomain domain(file);
    check(!domain.setAsideFile(), when + ": the file was damaged");
    auto value = domain.object("payload");
    auto* text = value ? std::get_if<std::string>(&*value) : nullptr;
    auto generation = text ? generationOf(*text) : std::nullopt;
    check(generation.has_value(), when + ": the payload is not whole");
    return generation;
}

// Runs `body` with stderr (where the writer logs without a platform) in a file, and
// returns what was written there.
template <typename F>
std::string logOf(F body) {
    std::fflush(stderr);
    char name[] = "/tmp/kelvra-save-chaos-log-XXXXXX";
    const int log = mkstemp(name), saved = dup(2);
    dup2(log, 2);
    body();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    close(log);
    std::ifstream in(name);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    unlink(name);
    return text;
}

void killDuringSaves(const fs::path& folder, int rounds) {
    const fs::path file = folder / "com.orvane.Kelvra.json";
    JsonDefaultsDomain(file).set("payload", payload(0));
    std::mt19937 random(12345);
    long newest = 0;
    int interrupted = 0, advanced = 0;
    for (int round = 0; round < rounds && failures == 0; ++round) {
        const pid_t writer = fork();
        if (writer == 0) {
            // Quiet: each start removes the temporary file the last kill left, and says so.
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 2);
            JsonDefaultsDomain domain(file);
            for (long g = newest + 1;; ++g) domain.set("payload", payload(g));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 40000));
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        interrupted += temporaries(folder) > 0;
        std::optional<long> generation;
        logOf([&] { generation = readBack(file, "round " + std::to_string(round)); });
        if (!generation) break;
        check(*generation >= newest, "the file went back to an older save");
        advanced += *generation > newest;
        newest = *generation;
        check(temporaries(folder) == 0, "a dead writer's temporary file was not removed");
    }
    std::printf(
        "kill -9 during saves: %d rounds, %d killed mid-save (a temporary left), "
        "%d with a newer file, every file whole: %s\n",
        rounds, interrupted, advanced, failures ? "NO" : "yes");
}

// One fault of the folder: `on` makes it, `off` undoes it (false: cannot be made here).
void faultyFolder(const char* name, const fs::path& folder, const std::function<bool()>& on,
                  const std::function<void()>& off) {
    const fs::path file = folder / "com.orvane.Kelvra.json";
    JsonDefaultsDomain domain(file);
    domain.set("payload", payload(1));
    std::ifstream in(file);
    const std::string before((std::istreambuf_iterator<char>(in)), {});
    if (!on()) {
        std::printf("%s: skipped (no mount permission here)\n", name);
        return;
    }
    const std::string log = logOf([&] { domain.set("payload", payload(2)); });
    std::ifstream after(file);
    const std::string now((std::istreambuf_iterator<char>(after)), {});
    check(now == before, std::string(name) + ": the old file changed");
    check(log.find("settings not saved") != std::string::npos,
          std::string(name) + ": no message, log was: " + log);
    check(temporaries(folder) == 0, std::string(name) + ": a temporary file was left");
    off();
    domain.set("other", true);  // the next save after the fault writes what was kept
    check(readBack(file, name) == 2, std::string(name) + ": the kept change was not written");
    std::printf("%s: save refused with \"%s\", old file kept, written once possible: %s\n", name,
                log.substr(0, log.find('\n')).c_str(), failures ? "NO" : "yes");
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 300;
    char pattern[] = "/tmp/kelvra-save-chaos-XXXXXX";
    const fs::path base = mkdtemp(pattern);
    fs::create_directories(base / "kill");
    killDuringSaves(base / "kill", rounds);

    const fs::path full = base / "full";
    fs::create_directories(full);
    // Room for the first file and a little more; the filler takes the rest.
    const bool mounted = mount("tmpfs", full.c_str(), "tmpfs", 0, "size=512k") == 0;
    faultyFolder(
        "folder full", full,
        [&] {
            if (!mounted) return false;
            std::ofstream filler(full / "filler");
            const std::string block(4096, 'f');
            while (filler.write(block.data(), block.size())) {
            }
            return true;
        },
        [&] { fs::remove(full / "filler"); });
    if (mounted) umount(full.c_str());

    const fs::path readOnly = base / "readonly";
    fs::create_directories(readOnly);
    faultyFolder(
        "folder read-only", readOnly,
        [&] {
            if (mount(readOnly.c_str(), readOnly.c_str(), nullptr, MS_BIND, nullptr) != 0)
                return false;
            if (mount(nullptr, readOnly.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                      nullptr) == 0)
                return true;
            umount(readOnly.c_str());
            return false;
        },
        [&] {
            // Detached: a plain unmount may be refused as busy right after the remount.
            if (umount2(readOnly.c_str(), MNT_DETACH) != 0) std::perror("umount");
        });

    std::error_code ignored;
    fs::remove_all(base, ignored);
    std::printf("settings chaos: %s\n", failures ? "FAILED" : "passed");
    return failures ? 1 : 0;
}
