#include "diagnostics/CrashReporter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <system_error>
#include <vector>

#include "cloud/ServiceURL.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"
#include "settings/Uuid.h"

namespace kelvra {

namespace fs = std::filesystem;

namespace {

std::string hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

std::optional<std::string> readSmallFile(const fs::path& file) {
    std::error_code ec;
    auto size = fs::file_size(file, ec);
    if (ec || size > kMaxCrashRecordBytes) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(size, '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    if (in.gcount() != static_cast<std::streamsize>(size)) return std::nullopt;
    return text;
}

// Files of the folder with that extension, oldest name first (names begin with the time).
std::vector<fs::path> filesEndingIn(const fs::path& folder, const std::string& extension) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && it->path().extension() == extension) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

void removeFile(const fs::path& file) {
    std::error_code ec;
    fs::remove(file, ec);
    if (ec) logLine("cannot remove crash record " + file.string() + ": " + ec.message());
}

void setAside(const fs::path& file) {
    std::error_code ec;
    auto bad = file;
    bad.replace_extension(".bad");
    fs::rename(file, bad, ec);
    logLine("crash record " + file.filename().string() + " is damaged; set aside");
    if (ec) removeFile(file);  // a record that cannot be moved must not block every start
}

}  // namespace

void CrashReporter::subscribe() {
    subscribed_ = true;
    sendPendingReports();
}

std::string CrashReporter::installID() {
    auto& defaults = *platform().defaults;
    if (auto stored = defaults.object(installIDKey)) {
        if (auto* text = std::get_if<std::string>(&*stored); text && !text->empty()) {
            return *text;
        }
    }
    auto id = Uuid::random().uuidString();
    defaults.set(installIDKey, id);
    return id;
}

nlohmann::json unsymbolizedFrame(const CrashFrame& frame) {
    nlohmann::json j;
    j["module"] = frame.module.empty() ? "?" : fs::path(frame.module).filename().string();
    j["offset"] = hex(frame.offset);
    if (!frame.buildID.empty()) j["buildID"] = frame.buildID;
    return j;
}

nlohmann::json CrashReporter::report(const CrashRecord& record) const {
    auto frames = nlohmann::json::array();
    for (const auto& frame : record.frames) {
        frames.push_back(symbolizer_ ? symbolizer_(frame) : unsymbolizedFrame(frame));
    }
    auto orUnknown = [](const std::string& s) { return s.empty() ? std::string("?") : s; };
    nlohmann::json j;
    j["type"] = "crash";
    j["app"] = "kelvra";
    j["installID"] = installID();
    j["appVersion"] = orUnknown(record.version);
    j["build"] = orUnknown(record.build);
    j["osVersion"] = record.os;
    j["arch"] = record.arch;
    // Symbols come from files on disk: invalid UTF-8 gives an empty stack, not a failure.
    j["callStack"] = frames.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    if (record.signal) j["signal"] = *record.signal;
    if (record.cause == "terminate") j["terminationReason"] = "uncaught exception";
    return j;
}

void CrashReporter::sendPendingReports() {
    if (folder_.empty()) return;
    auto bad = filesEndingIn(folder_, ".bad");
    for (size_t i = 0; i + maxSetAside < bad.size(); ++i) removeFile(bad[i]);

    struct Pending {
        fs::path file;
        CrashRecord record;
    };
    std::vector<Pending> pending;
    auto now = std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::system_clock::now().time_since_epoch())
                   .count();
    // A record still named .tmp was cut short by a crash inside the handler.
    for (const auto& file : filesEndingIn(folder_, ".tmp")) setAside(file);
    for (const auto& file : filesEndingIn(folder_, kCrashRecordSuffix)) {
        if (inFlight_.count(file)) continue;
        auto text = readSmallFile(file);
        auto record = text ? parseCrashRecord(*text) : std::nullopt;
        if (!record) {
            setAside(file);
        } else if (now - record->time > maxRecordAgeSeconds) {
            removeFile(file);
        } else {
            pending.push_back({file, std::move(*record)});
        }
    }
    while (pending.size() > maxKeptRecords) {
        removeFile(pending.front().file);
        pending.erase(pending.begin());
    }
    if (pending.empty()) return;

    if (!settings_.crashReportingEnabled()) {
        for (const auto& p : pending) removeFile(p.file);
        return;
    }
    if (!platform().http) {
        logLine("no network service; crash reports wait for a later start");
        return;
    }
    for (const auto& p : pending) send(p.file, report(p.record));
}

void CrashReporter::send(const fs::path& file, const nlohmann::json& report) {
    port::HttpRequest request;
    request.method = "POST";
    request.url = cloudServiceURL() + "/api/crash";
    request.headers = {{"Content-Type", "application/json"}};
    request.body = report.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    request.timeoutSeconds = 60;
    inFlight_.insert(file);
    std::weak_ptr<CrashReporter*> weak = self_;
    platform().http->send(std::move(request), [weak, file](port::HttpResponse response) {
        // The service took the record even when the reporter has gone since.
        if (auto self = weak.lock()) (*self)->inFlight_.erase(file);
        if (response.status >= 200 && response.status < 300) {
            removeFile(file);
        } else {
            logLine("crash report not taken (" +
                    (response.answered() ? "status " + std::to_string(response.status)
                                         : response.error) +
                    "); it waits for a later start");
        }
    });
}

}  // namespace kelvra
