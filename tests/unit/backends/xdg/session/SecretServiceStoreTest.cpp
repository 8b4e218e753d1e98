// The secret store on sessions where no Secret Service answers: nothing is kept, and
// nothing is written anywhere else.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "backends/xdg/SecretServiceStore.h"

namespace kelvra::test {
namespace {

// A private session bus on which nothing provides the Secret Service: its only service
// folder is empty, so an installed keyring daemon is not started on demand.
class PrivateBus {
  public:
    explicit PrivateBus(const std::filesystem::path& folder) {
        std::filesystem::create_directories(folder / "services");
        const auto config = folder / "bus.conf";
        if (FILE* f = std::fopen(config.c_str(), "w")) {
            std::fprintf(f,
                         "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                         "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/"
                         "busconfig.dtd\">\n<busconfig><type>session</type>"
                         "<listen>unix:tmpdir=%s</listen><servicedir>%s</servicedir>"
                         "<policy context=\"default\"><allow send_destination=\"*\" "
                         "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                         "</policy></busconfig>\n",
                         folder.c_str(), (folder / "services").c_str());
            std::fclose(f);
        }
        const std::string command = "dbus-daemon --config-file=" + config.string() +
                                    " --fork --print-address=1 --print-pid=1";
        FILE* out = ::popen(command.c_str(), "r");
        if (!out) return;
        char line[512];
        if (std::fgets(line, sizeof line, out)) address_ = line;
        if (std::fgets(line, sizeof line, out)) pid_ = std::atoi(line);
        ::pclose(out);
        while (!address_.empty() && (address_.back() == '\n' || address_.back() == '\r')) {
            address_.pop_back();
        }
    }
    ~PrivateBus() {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
    }
    const std::string& address() const { return address_; }

  private:
    std::string address_;
    int pid_ = 0;
};

TEST(SecretServiceStore, WithoutAServiceNothingIsKeptAnywhere) {
    std::string home = (std::filesystem::temp_directory_path() / "kelvra-secrets-home").string();
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);

    const auto busFolder = std::filesystem::temp_directory_path() / "kelvra-secrets-bus";
    std::filesystem::remove_all(busFolder);
    PrivateBus bus(busFolder);
    ASSERT_FALSE(bus.address().empty()) << "dbus-daemon did not start";
    for (const std::string& address : {std::string("unix:path=/nonexistent/bus"), bus.address()}) {
        SCOPED_TRACE(address);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
        xdg::SecretServiceStore store;
        EXPECT_FALSE(store.available());
        std::string error;
        EXPECT_FALSE(store.store("cloudToken", "tok-SECRET", error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(store.load("cloudToken"), std::nullopt);
        EXPECT_FALSE(store.remove("cloudToken"));
    }
    // No file fell back to holding the secret.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home)) {
        ADD_FAILURE() << "written: " << entry.path();
    }
    std::filesystem::remove_all(home);
    std::filesystem::remove_all(busFolder);
}

}  // namespace
}  // namespace kelvra::test
