#include "backends/xdg/JsonDefaultsDomain.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <system_error>

#include "backends/xdg/AtomicFile.h"
#include "backends/xdg/XdgPaths.h"
#include "port/Platform.h"

namespace kelvra::xdg {

namespace {

std::string timeStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &local);
    return buf;
}

}  // namespace

std::filesystem::path JsonDefaultsDomain::standardFile(const std::string& domain) {
    return configHome() / "kelvra" / (domain + ".json");
}

JsonDefaultsDomain::JsonDefaultsDomain(std::filesystem::path file) : file_(std::move(file)) {
    load();
}

void JsonDefaultsDomain::load() {
    // Saves cut short (a crash, a full disk) leave their temporary files behind.
    std::string linkError;
    const auto target = followLinks(file_, linkError);
    const auto stale = removeStaleTemporaries(target.empty() ? file_ : target);
    if (!stale.empty()) {
        logLine("removed " + std::to_string(stale.size()) +
                " temporary file(s) of interrupted saves of " + file_.string());
    }
    std::error_code ec;
    auto status = std::filesystem::status(file_, ec);
    if (status.type() == std::filesystem::file_type::not_found) return;  // a fresh domain
    if (ec) {
        setAsideDamaged(std::string("cannot be examined: ") + ec.message());
        return;
    }
    if (status.type() != std::filesystem::file_type::regular) {
        setAsideDamaged("is not a regular file");
        return;
    }
    auto size = std::filesystem::file_size(file_, ec);
    if (ec) {
        setAsideDamaged(std::string("cannot be examined: ") + ec.message());
        return;
    }
    if (size > maxFileSize) {
        setAsideDamaged("is too large (" + std::to_string(size) + " bytes)");
        return;
    }
    std::ifstream in(file_, std::ios::binary);
    std::ostringstream content;
    if (in) content << in.rdbuf();
    if (!in || in.bad()) {
        setAsideDamaged(std::string("cannot be read: ") + std::strerror(errno));
        return;
    }
    auto parsed = parseDomainFile(content.str());
    if (!parsed) {
        setAsideDamaged("cannot be parsed");
        return;
    }
    entries_ = std::move(*parsed);
}

bool JsonDefaultsDomain::setAsideDamaged(const std::string& reason) {
    auto base = file_.string() + ".damaged-" + timeStamp();
    std::filesystem::path target = base;
    std::error_code ec;
    for (int n = 1; std::filesystem::exists(target, ec) && n < 1000; ++n) {
        target = base + "-" + std::to_string(n);
    }
    std::filesystem::rename(file_, target, ec);
    if (ec) {
        writesBlocked_ = true;
        logLine("settings file " + file_.string() + " " + reason +
                "; it could not be moved aside (" + ec.message() +
                "), so changes will not be saved");
        return false;
    }
    setAside_ = target;
    logLine("settings file " + file_.string() + " " + reason + "; moved aside to " +
            target.string() + " and starting with defaults");
    return true;
}

std::optional<port::DefaultsValue> JsonDefaultsDomain::object(const std::string& key) {
    auto it = entries_.find(key);
    if (it == entries_.end()) return std::nullopt;
    return decodeDefaultsValue(it->second);
}

void JsonDefaultsDomain::set(const std::string& key, const port::DefaultsValue& value) {
    // Callers write their whole set after each change; rewriting the file for
    // values that did not change would cost a disk flush each.
    auto encoded = encodeDefaultsValue(value);
    auto it = entries_.find(key);
    if (it != entries_.end() && it->second == encoded) return;
    entries_[key] = std::move(encoded);
    save();
}

void JsonDefaultsDomain::remove(const std::string& key) {
    if (entries_.erase(key) == 0) return;
    save();
}

void JsonDefaultsDomain::save() {
    if (writesBlocked_) {
        saveFailed_.emit("the settings file cannot be read and was not replaced");
        return;
    }
    std::string error;
    if (!writeFileAtomically(file_, serializeDomainFile(entries_), error)) {
        logLine("settings not saved: " + error);
        failing_ = true;
        saveFailed_.emit(error);
    } else if (failing_) {
        failing_ = false;
        logLine("settings saved again to " + file_.string());
        saveRecovered_.emit();
    }
}

}  // namespace kelvra::xdg
