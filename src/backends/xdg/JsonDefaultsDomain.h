#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "backends/xdg/DefaultsFileFormat.h"
#include "port/UserDefaults.h"

namespace kelvra::xdg {

// A user-defaults domain kept in one human-readable JSON file (the format is in
// DefaultsFileFormat.h). The file is read once, at construction; every change
// rewrites the whole file atomically from the in-memory entries, so keys that other
// components own survive. A file that cannot be read as a domain is renamed aside
// (<file>.damaged-<YYYYMMDD-HHMMSS>) and never overwritten.
class JsonDefaultsDomain : public port::UserDefaults {
  public:
    // Files larger than this are not ours to parse; they are set aside like damage.
    static constexpr uintmax_t maxFileSize = 16u * 1024 * 1024;

    // The file of `domain` under the configuration folder:
    // <config>/kelvra/<domain>.json.
    static std::filesystem::path standardFile(const std::string& domain);

    explicit JsonDefaultsDomain(std::filesystem::path file);

    std::optional<port::DefaultsValue> object(const std::string& key) override;
    void set(const std::string& key, const port::DefaultsValue& value) override;
    void remove(const std::string& key) override;

    const std::filesystem::path& file() const { return file_; }
    // Where the damaged file was moved at load, if it was.
    const std::optional<std::filesystem::path>& setAsideFile() const { return setAside_; }

  private:
    void load();
    bool setAsideDamaged(const std::string& reason);
    void save();

    std::filesystem::path file_;
    DomainEntries entries_;
    std::optional<std::filesystem::path> setAside_;
    // Set when a damaged or unreadable file could not be moved aside: writing would
    // destroy it, so changes stay in memory only.
    bool writesBlocked_ = false;
    bool failing_ = false;  // the last save failed
};

}  // namespace kelvra::xdg
