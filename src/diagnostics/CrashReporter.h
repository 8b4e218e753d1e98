#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "diagnostics/CrashRecord.h"

namespace kelvra {

class AppSettings;

// Turns the crash records that earlier runs left behind (see CrashHandler) into
// reports and posts them to the cloud service's crash endpoint, only while the user
// allows it. A record is deleted once the service has taken it (any 2xx answer), so
// no crash is sent twice; records that could not be sent wait for a later start, at
// most maxKeptRecords of them and none older than maxRecordAge. With reporting off the
// records are deleted unsent: a crash from a time the user declined is never sent
// later. A record that cannot be read is set aside as NAME.bad.
class CrashReporter {
  public:
    // Looks up one frame's symbol: a JSON object for the report's call stack.
    using Symbolizer = std::function<nlohmann::json(const CrashFrame&)>;

    static constexpr size_t maxKeptRecords = 20;
    static constexpr int64_t maxRecordAgeSeconds = 30 * 24 * 3600;
    static constexpr size_t maxSetAside = 20;
    static constexpr const char* installIDKey = "crashInstallID";

    // Reports only while the settings allow it.
    explicit CrashReporter(const AppSettings& settings)
        : settings_(settings), self_(std::make_shared<CrashReporter*>(this)) {}
    CrashReporter(const CrashReporter&) = delete;
    CrashReporter& operator=(const CrashReporter&) = delete;

    // Where the crash handler writes its records; nothing is reported without one.
    void setCrashFolder(std::filesystem::path folder) { folder_ = std::move(folder); }
    const std::filesystem::path& crashFolder() const { return folder_; }
    void setSymbolizer(Symbolizer symbolizer) { symbolizer_ = std::move(symbolizer); }

    // At launch: reports the crashes of earlier runs.
    void subscribe();
    bool subscribed() const { return subscribed_; }

    // The anonymous identifier of this installation, created and stored on first use.
    static std::string installID();
    // The report for one record.
    nlohmann::json report(const CrashRecord& record) const;
    // Records whose upload is under way.
    size_t sending() const { return inFlight_.size(); }

  private:
    void sendPendingReports();
    void send(const std::filesystem::path& file, const nlohmann::json& report);

    const AppSettings& settings_;
    std::filesystem::path folder_;
    Symbolizer symbolizer_;
    bool subscribed_ = false;
    std::set<std::filesystem::path> inFlight_;
    // Answers arriving after this object is gone find it expired.
    std::shared_ptr<CrashReporter*> self_;
};

// The frame as a JSON object without symbols: module file name, offset, build id.
nlohmann::json unsymbolizedFrame(const CrashFrame& frame);

}  // namespace kelvra
