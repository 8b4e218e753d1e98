#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace kelvra::testing {

// A fresh configuration folder for one test: XDG_CONFIG_HOME points at it while the
// object lives, and it is removed afterwards.
class TempConfigHome {
  public:
    TempConfigHome() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kelvra-cfg-XXXXXX").string();
        root_ = ::mkdtemp(tmpl.data());
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) old_ = old;
        ::setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    }
    ~TempConfigHome() {
        if (old_) {
            ::setenv("XDG_CONFIG_HOME", old_->c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
        std::error_code ec;
        std::filesystem::permissions(root_ / "kelvra", std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(root_, ec);
    }
    const std::filesystem::path& root() const { return root_; }

  private:
    std::filesystem::path root_;
    std::optional<std::string> old_;
};

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// How many hidden files (temporaries of a save) lie in `folder`.
inline size_t hiddenFiles(const std::filesystem::path& folder) {
    size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        n += e.path().filename().string().starts_with(".");
    }
    return n;
}

inline void writeFile(const std::filesystem::path& p, const std::string& content) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
}

}  // namespace kelvra::testing
