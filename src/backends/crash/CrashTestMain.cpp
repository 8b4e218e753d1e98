// Installs the crash handler with the folder given as the only argument and crashes
// as KELVRA_TEST_CRASH asks; the crash tests check what it leaves behind.
#include <cstdio>
#include <string>

#include "backends/crash/CrashHandler.h"

namespace {

// Not inlined and no tail call, so the record's stack holds a frame of our own.
[[gnu::noinline]] void crashHere() {
    kelvra::crash::crashIfAsked();
    std::fprintf(stderr, "KELVRA_TEST_CRASH is not set\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelvra-crashtest FOLDER\n");
        return 2;
    }
    std::string error;
    if (!kelvra::crash::installCrashHandler(argv[1], "9.8.7", "987", error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    crashHere();
    return 0;
}
