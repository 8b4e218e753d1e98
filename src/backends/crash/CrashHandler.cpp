// The crash handler runs in a process whose state is broken: it may only call
// async-signal-safe functions, allocate nothing and take no lock. So every string it
// writes is prepared at installation, the module table is a fixed array filled from the
// main thread, and the stack is walked with libunwind's local unwinder, which reads the
// signal frame and the unwind tables of the loaded modules without allocating (unlike
// glibc's backtrace(), which may load libgcc_s on first use).
#include "backends/crash/CrashHandler.h"

#define UNW_LOCAL_ONLY
#include <libunwind.h>

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>

namespace kelvra::crash {

namespace {

constexpr int crashSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int maxModules = 512;
constexpr int maxFrames = 128;

struct Module {
    uintptr_t start = 0;
    uintptr_t end = 0;
    uintptr_t bias = 0;
    char buildID[41 * 2] = {};
    char path[256] = {};
};
struct ModuleTable {
    int count = 0;
    Module modules[maxModules];
};

// Two tables: refreshModules() fills the one the handler is not reading, then swaps.
ModuleTable tables[2];
std::atomic<int> currentTable{0};
// Taken by the first handler to run, on whichever thread crashed: a crash on another
// thread meanwhile waits for it to end the process, and refreshModules() leaves the
// tables alone, since a second refresh would overwrite the one the handler may read.
std::atomic<bool> handling{false};

char folderPath[512];
char versionText[128];
char buildText[128];
char archText[128];
char osText[512];
char exePath[256];

volatile sig_atomic_t terminating = 0;
alignas(16) char altStack[64 * 1024];
char out[64 * 1024];
size_t outLength = 0;

// Cuts `from` to fit; a plain loop, since g++ under -fsanitize=thread takes the cut
// strncpy for a mistake (-Wstringop-truncation).
void copyText(char* to, size_t size, const char* from) {
    size_t n = 0;
    for (; n + 1 < size && from[n]; ++n) to[n] = from[n];
    to[n] = '\0';
}

// ---- signal-safe formatting into `out`

void put(const char* text) {
    while (*text && outLength < sizeof out) out[outLength++] = *text++;
}
// Keeps a line intact: control characters in a name must not break the record.
void putField(const char* text) {
    for (; *text && outLength < sizeof out; ++text) {
        out[outLength++] = (*text == '\n' || *text == '\r') ? ' ' : *text;
    }
}
void putDecimal(uint64_t value) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    while (n && outLength < sizeof out) out[outLength++] = digits[--n];
}
void putHex(uint64_t value) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = "0123456789abcdef"[value & 15];
        value >>= 4;
    } while (value);
    put("0x");
    while (n && outLength < sizeof out) out[outLength++] = digits[--n];
}

void putFrame(uintptr_t pc, const ModuleTable& table) {
    put("frame ");
    for (int i = 0; i < table.count; ++i) {
        const Module& m = table.modules[i];
        if (pc >= m.start && pc < m.end) {
            putHex(pc - m.bias);
            put(" ");
            put(m.buildID[0] ? m.buildID : "-");
            put(" ");
            putField(m.path[0] ? m.path : "-");
            put("\n");
            return;
        }
    }
    putHex(pc);
    put(" - -\n");
}

// Appends the number to `path` at `at`; returns the new end.
size_t appendDecimal(char* path, size_t at, size_t size, uint64_t value, int width) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    while (n < width) digits[n++] = '0';
    while (n && at + 1 < size) path[at++] = digits[--n];
    path[at] = '\0';
    return at;
}

void writeRecord(int signal, const siginfo_t* info, void* context) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    outLength = 0;
    put("kelvra-crash 1\nsignal ");
    putDecimal(static_cast<uint64_t>(signal));
    put("\naddress ");
    putHex(info ? reinterpret_cast<uintptr_t>(info->si_addr) : 0);
    put("\ntime ");
    putDecimal(static_cast<uint64_t>(now.tv_sec));
    if (terminating) put("\ncause terminate");
    put("\nversion ");
    put(versionText);
    put("\nbuild ");
    put(buildText);
    put("\narch ");
    put(archText);
    put("\nos ");
    put(osText);
    put("\n");

    const ModuleTable& table = tables[currentTable.load()];
    unw_cursor_t cursor;
    bool walking = context && unw_init_local2(&cursor, static_cast<unw_context_t*>(context),
                                              UNW_INIT_SIGNAL_FRAME) == 0;
    for (int depth = 0; walking && depth < maxFrames; ++depth) {
        unw_word_t ip = 0;
        if (unw_get_reg(&cursor, UNW_REG_IP, &ip) != 0 || ip == 0) break;
        // Callers' addresses are return addresses: one byte back lands inside the call,
        // so the line found later is the call's, not the next statement's.
        bool exact = depth == 0 || unw_is_signal_frame(&cursor) > 0;
        putFrame(static_cast<uintptr_t>(exact ? ip : ip - 1), table);
        walking = unw_step(&cursor) > 0;
    }
    put("end\n");

    // NAME.tmp first, renamed when complete: a half-written record is never taken
    // for a whole one.
    char path[sizeof folderPath + 64];
    size_t at = 0;
    for (const char* p = folderPath; *p && at + 1 < sizeof path; ++p) path[at++] = *p;
    path[at++] = '/';
    at = appendDecimal(path, at, sizeof path, static_cast<uint64_t>(now.tv_sec), 12);
    path[at++] = '-';
    at = appendDecimal(path, at, sizeof path, static_cast<uint64_t>(getpid()), 1);
    const char suffix[] = ".crash";
    char temporary[sizeof path + 8];
    std::memcpy(temporary, path, at);
    std::memcpy(temporary + at, ".tmp", 5);
    std::memcpy(path + at, suffix, sizeof suffix);

    int fd = open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return;
    size_t written = 0;
    while (written < outLength) {
        ssize_t n = write(fd, out + written, outLength - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    fsync(fd);
    close(fd);
    if (written == outLength) rename(temporary, path);
}

void restoreDefaults() {
    for (int s : crashSignals) signal(s, SIG_DFL);
}

void onCrash(int signal, siginfo_t* info, void* context) {
    // A crash inside the handler falls through to the default action: no loop.
    restoreDefaults();
    if (!handling.exchange(true)) {
        int saved = errno;
        writeRecord(signal, info, context);
        errno = saved;
    } else {
        // Another thread is writing the record into the one buffer; it ends the process.
        for (;;) pause();
    }
    // Die by the same signal, as if we had not been here.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(signal);
    // A fault re-raised this way is delivered at once; should it not be, leave anyway.
    _exit(128 + signal);
}

[[noreturn]] void onTerminate() {
    terminating = 1;
    std::abort();
}

// Reads the GNU build id note of a loaded module from its mapped program headers.
void readBuildID(const dl_phdr_info* info, char* to, size_t size) {
    to[0] = '\0';
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const auto& ph = info->dlpi_phdr[i];
        if (ph.p_type != PT_NOTE) continue;
        auto* p = reinterpret_cast<const unsigned char*>(info->dlpi_addr + ph.p_vaddr);
        auto* end = p + ph.p_memsz;
        while (p + sizeof(ElfW(Nhdr)) <= end) {
            auto* note = reinterpret_cast<const ElfW(Nhdr)*>(p);
            auto* name = p + sizeof(ElfW(Nhdr));
            auto* desc = name + ((note->n_namesz + 3) & ~3u);
            if (desc + note->n_descsz > end) break;
            if (note->n_type == NT_GNU_BUILD_ID && note->n_namesz == 4 &&
                std::memcmp(name, "GNU", 4) == 0 && note->n_descsz * 2 < size) {
                for (size_t b = 0; b < note->n_descsz; ++b) {
                    to[2 * b] = "0123456789abcdef"[desc[b] >> 4];
                    to[2 * b + 1] = "0123456789abcdef"[desc[b] & 15];
                }
                to[note->n_descsz * 2] = '\0';
                return;
            }
            p = desc + ((note->n_descsz + 3) & ~3u);
        }
    }
}

int addModule(dl_phdr_info* info, size_t, void* data) {
    auto& table = *static_cast<ModuleTable*>(data);
    if (table.count >= maxModules) return 1;
    Module& m = table.modules[table.count];
    m = Module{};
    uintptr_t low = UINTPTR_MAX, high = 0;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const auto& ph = info->dlpi_phdr[i];
        if (ph.p_type != PT_LOAD) continue;
        low = std::min<uintptr_t>(low, info->dlpi_addr + ph.p_vaddr);
        high = std::max<uintptr_t>(high, info->dlpi_addr + ph.p_vaddr + ph.p_memsz);
    }
    if (low >= high) return 0;
    m.start = low;
    m.end = high;
    m.bias = info->dlpi_addr;
    // The program itself has no name here.
    const char* name = info->dlpi_name && *info->dlpi_name ? info->dlpi_name : exePath;
    copyText(m.path, sizeof m.path, name);
    readBuildID(info, m.buildID, sizeof m.buildID);
    ++table.count;
    return 0;
}

}  // namespace

std::filesystem::path defaultCrashFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::filesystem::path base;
    if (state && state[0] == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home && *home ? home : "/tmp") / ".local" / "state";
    }
    return base / "kelvra" / "crashes";
}

void refreshModules() {
    // Sequentially consistent throughout: a handler that took `handling` after this check
    // reads the table index after it too, so never the table being filled here.
    if (handling.load()) return;
    int next = 1 - currentTable.load();
    tables[next].count = 0;
    dl_iterate_phdr(addModule, &tables[next]);
    currentTable.store(next);
}

bool installCrashHandler(const std::filesystem::path& folder, const std::string& version,
                         const std::string& build, std::string& error) {
    if (!folder.is_absolute() || folder.native().size() >= sizeof folderPath) {
        error = "the crash folder must be an absolute path of reasonable length";
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = "cannot create " + folder.string() + ": " + ec.message();
        return false;
    }
    ::chmod(folder.c_str(), 0700);
    copyText(folderPath, sizeof folderPath, folder.c_str());
    copyText(versionText, sizeof versionText, version.c_str());
    copyText(buildText, sizeof buildText, build.c_str());
    utsname system{};
    if (uname(&system) == 0) {
        copyText(archText, sizeof archText, system.machine);
        std::string os = std::string(system.sysname) + " " + system.release;
        copyText(osText, sizeof osText, os.c_str());
    }
    ssize_t n = readlink("/proc/self/exe", exePath, sizeof exePath - 1);
    exePath[n > 0 ? n : 0] = '\0';
    refreshModules();

    stack_t stack{};
    stack.ss_sp = altStack;
    stack.ss_size = sizeof altStack;
    // A stack overflow leaves no room on the thread's own stack for the handler.
    if (sigaltstack(&stack, nullptr) != 0) {
        error = std::string("sigaltstack: ") + std::strerror(errno);
        return false;
    }
    struct sigaction action {};
    action.sa_sigaction = onCrash;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int s : crashSignals) {
        if (sigaction(s, &action, nullptr) != 0) {
            error = std::string("sigaction: ") + std::strerror(errno);
            return false;
        }
    }
    std::set_terminate(onTerminate);
    return true;
}

void crashIfAsked() {
    const char* what = std::getenv("KELVRA_TEST_CRASH");
    if (!what) return;
    if (std::strcmp(what, "segv") == 0) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    } else if (std::strcmp(what, "abort") == 0) {
        std::abort();
    } else if (std::strcmp(what, "throw") == 0) {
        throw std::runtime_error("crash on purpose");
    }
}

}  // namespace kelvra::crash
