#include "platform/xdg/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace kelvra::xdg {

namespace {

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

bool writeFileAtomically(const std::filesystem::path& file, std::string_view content,
                         std::string& error, unsigned mode) {
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

    std::string tmpl = (folder / ("." + file.filename().string() + ".tmp-XXXXXX")).string();
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
