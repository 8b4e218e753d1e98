#include "backends/xdg/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>
#include <system_error>

namespace kelvra::xdg {

namespace {

namespace fs = std::filesystem;

// Set when the program starts: temporary files older than this are no save of ours
// in progress.
const fs::file_time_type processStart = fs::file_time_type::clock::now();

// ".<name>.tmp-": the writing process's id follows, then a unique part.
std::string temporaryPrefix(const fs::path& file) {
    return "." + file.filename().string() + ".tmp-";
}

std::optional<pid_t> writerOf(const std::string& name, const std::string& prefix) {
    size_t end = prefix.size();
    while (end < name.size() && name[end] >= '0' && name[end] <= '9') ++end;
    if (end == prefix.size() || end == name.size() || name[end] != '-' || end - prefix.size() > 9) {
        return std::nullopt;  // an older form without the process
    }
    auto pid = static_cast<pid_t>(std::stol(name.substr(prefix.size(), end - prefix.size())));
    if (pid <= 0) return std::nullopt;
    return pid;
}

bool processGone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

std::string describe(const std::string& what, const std::filesystem::path& p, int err) {
    return what + " " + p.string() + ": " + std::strerror(err);
}

bool writeAll(int fd, std::string_view content) {
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

fs::path followLinks(const fs::path& file, std::string& error) {
    fs::path p = file;
    // As many hops as the kernel allows before it calls it a loop.
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code ec;
        if (fs::symlink_status(p, ec).type() != fs::file_type::symlink) return p;
        fs::path next = fs::read_symlink(p, ec);
        if (ec) {
            error = "cannot read the link " + p.string() + ": " + ec.message();
            return {};
        }
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    error = "too many levels of symbolic links at " + file.string();
    return {};
}

std::vector<fs::path> removeStaleTemporaries(const fs::path& file) {
    std::vector<fs::path> removed;
    const auto folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    const std::string prefix = temporaryPrefix(file);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) != 0 || !it->is_regular_file(ec)) continue;
        auto writer = writerOf(name, prefix);
        std::error_code timeError;
        auto written = it->last_write_time(timeError);
        const bool old = !timeError && written < processStart;
        // Kept only while its writer may still be saving: alive, and the file is newer
        // than this process. Files without a writer are of an older form, never in use.
        if (writer && !processGone(*writer) && !old) continue;
        if (fs::remove(it->path(), timeError)) removed.push_back(it->path());
    }
    return removed;
}

bool writeFileAtomically(const fs::path& requested, std::string_view content, std::string& error,
                         unsigned mode) {
    // Through a symbolic link to its target, so that the link stays.
    const fs::path file = followLinks(requested, error);
    if (file.empty()) return false;
    const auto folder =
        file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            error = "cannot create " + folder.string() + ": " + ec.message();
            return false;
        }
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
    }

    // The writer's process id in the name tells a stale file from a save in progress.
    std::string tmpl =
        (folder / (temporaryPrefix(file) + std::to_string(::getpid()) + "-XXXXXX")).string();
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        error = describe("cannot create a temporary file in", folder, errno);
        return false;
    }
    const std::filesystem::path tmp = tmpl;
    auto fail = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        error = describe(what, tmp, err);
        return false;
    };
    if (::fchmod(fd, mode) != 0) return fail("cannot set the mode of", errno);
    if (!writeAll(fd, content)) return fail("cannot write", errno);
    // The data must be on disk before the rename makes it the file's content.
    if (::fsync(fd) != 0) return fail("cannot flush", errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        error = describe("cannot close", tmp, err);
        return false;
    }
    if (::rename(tmp.c_str(), file.c_str()) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        error = describe("cannot replace", file, err);
        return false;
    }
    // Flush the folder so that the rename itself survives a crash.
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

}  // namespace kelvra::xdg
