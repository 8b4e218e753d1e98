// Signing in through the browser and syncing settings between two machines, all real:
// kelvra-server on a loopback port, the connect page filled in headless Chromium through
// WebDriver, the token kept in a gnome-keyring on a private session bus, and two Kelvra
// instances with homes of their own.
#include <X11/keysym.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include <httplib.h>

#include "Harness.h"

namespace kelvra::e2e {
namespace {

const std::string email = "ada@example.org";
const std::string password = "correct horse battery";
const std::string layoutId = "5C1D2E3F-4A5B-4C6D-8E7F-9A0B1C2D3E4F";

bool onPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// A port nobody listens on now (the kernel hands out a fresh one for port 0).
int freePort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return ntohs(address.sin_port);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The first string anywhere in `j` that starts with `prefix`.
std::optional<std::string> findString(const nlohmann::json& j, const std::string& prefix) {
    if (j.is_string()) {
        const auto& s = j.get_ref<const std::string&>();
        if (s.rfind(prefix, 0) == 0) return s;
    } else if (j.is_structured()) {
        for (const auto& item : j)
            if (auto found = findString(item, prefix)) return found;
    }
    return std::nullopt;
}

// The service's one account, added as its operator does, the password on standard input.
void addAccount(const std::filesystem::path& data) {
    std::filesystem::create_directories(data);
    ChildProcess add({"sh", "-c", "printf %s \"$0\" | \"$1\" --data \"$2\" add-user \"$3\"",
                      password, KELVRA_SERVER, data.string(), email},
                     {}, data.parent_path() / "add-user.log");
    Desktop::waitUntil([&] { return !add.running(); }, 10s);
    if (add.exitCode() != 0) throw std::runtime_error("add-user: " + add.logText());
}

// chromedriver and one headless Chromium session, spoken to in W3C WebDriver JSON.
class Browser {
  public:
    explicit Browser(const std::filesystem::path& folder)
        : port_(freePort()), http_("127.0.0.1", port_) {
        driver_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"chromedriver", "--port=" + std::to_string(port_)},
            std::map<std::string, std::string>{}, folder / "chromedriver.log");
        http_.set_read_timeout(60, 0);
        Desktop::waitUntil([&] { return http_.Get("/status") != nullptr; }, 10s);
        // Root in a container has no sandbox to give; the GPU is not there either.
        nlohmann::json options = {
            {"binary", "/usr/bin/chromium"},
            {"args",
             {"--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
              "--user-data-dir=" + (folder / "chromium").string()}}};
        auto reply = send("POST", "/session",
                          {{"capabilities",
                            {{"alwaysMatch",
                              {{"goog:chromeOptions", options},
                               {"goog:loggingPrefs", {{"performance", "ALL"}}}}}}}});
        session_ = reply.is_object() ? reply.value("sessionId", "") : "";
        if (session_.empty()) throw std::runtime_error("no WebDriver session: " + reply.dump());
    }
    ~Browser() {
        if (!session_.empty()) http_.Delete("/session/" + session_);
    }

    nlohmann::json send(const std::string& method, const std::string& path,
                        const nlohmann::json& body = nlohmann::json::object()) {
        auto result =
            method == "POST" ? http_.Post(path, body.dump(), "application/json") : http_.Get(path);
        if (!result) return {};
        auto j = nlohmann::json::parse(result->body, nullptr, false);
        return j.is_object() && j.contains("value") ? j["value"] : nlohmann::json{};
    }
    nlohmann::json command(const std::string& method, const std::string& path,
                           const nlohmann::json& body = nlohmann::json::object()) {
        return send(method, "/session/" + session_ + path, body);
    }
    std::string element(const std::string& css) {
        auto found = command("POST", "/element", {{"using", "css selector"}, {"value", css}});
        return found.is_object() && !found.empty() && found.begin()->is_string()
                   ? found.begin()->get<std::string>()
                   : "";
    }

    // Opens the connect page, signs in there and returns the kelvra: address the
    // service redirected to; Chromium does not follow it, so it is read from the
    // network log, as a desktop browser would hand it to the registered program.
    std::optional<std::string> signIn(const std::string& connectUrl) {
        command("POST", "/url", {{"url", connectUrl}});
        const auto emailField = element("#email"), passwordField = element("#password");
        const auto submit = element("button[type=submit]");
        if (emailField.empty() || passwordField.empty() || submit.empty()) return std::nullopt;
        command("POST", "/element/" + emailField + "/value", {{"text", email}});
        command("POST", "/element/" + passwordField + "/value", {{"text", password}});
        command("POST", "/element/" + submit + "/click");
        std::optional<std::string> callback;
        Desktop::waitUntil(
            [&] {
                for (const auto& entry : command("POST", "/se/log", {{"type", "performance"}})) {
                    auto message =
                        nlohmann::json::parse(entry.value("message", ""), nullptr, false);
                    if ((callback = findString(message, "kelvra://auth?"))) return true;
                }
                return false;
            },
            15s);
        return callback;
    }

  private:
    int port_;
    httplib::Client http_;
    std::unique_ptr<ChildProcess> driver_;
    std::string session_;
};

// A gnome-keyring on the session's private bus, unlocked with a test password, in the
// foreground so that it ends with the test.
std::unique_ptr<ChildProcess> startKeyring(Desktop& desktop) {
    const auto home = desktop.home();
    auto keyring = std::make_unique<ChildProcess>(
        std::vector<std::string>{
            "sh", "-c",
            "printf e2e | exec gnome-keyring-daemon --foreground --unlock --components=secrets"},
        std::map<std::string, std::string>{
            {"HOME", home.string()},
            {"XDG_CONFIG_HOME", (home / ".config").string()},
            {"XDG_DATA_HOME", (home / ".local/share").string()},
            {"XDG_RUNTIME_DIR", (home / "run").string()},
            {"DISPLAY", ""},
            {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (home / "run/bus").string()}},
        home / "gnome-keyring.log");
    // Asking before it owns its name would have the bus start another one.
    if (!Desktop::waitUntil(
            [&] {
                std::string reply;
                desktop.run({"dbus-send", "--session", "--print-reply",
                             "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                             "org.freedesktop.DBus.NameHasOwner", "string:org.freedesktop.secrets"},
                            &reply);
                return reply.find("boolean true") != std::string::npos;
            },
            10s))
        throw std::runtime_error("gnome-keyring-daemon: " + keyring->logText());
    return keyring;
}

// One machine: its own X session, home, keyring and browser handler, and the program
// pointed at the service. The handler for web addresses is a script that writes the
// address down, so the program's own way of opening the browser is what runs.
struct Machine {
    Desktop desktop{{.sessionBus = true}};
    std::unique_ptr<ChildProcess> keyring = startKeyring(desktop);

    explicit Machine(const std::string& serviceUrl) {
        const auto home = desktop.home();
        const auto opened = home / "opened-url";
        std::ofstream(home / "record-url.sh") << "#!/bin/sh\nprintf %s \"$1\" > " << opened << "\n";
        std::filesystem::permissions(home / "record-url.sh", std::filesystem::perms::owner_all);
        std::filesystem::create_directories(home / ".local/share/applications");
        std::ofstream(home / ".local/share/applications/record-url.desktop")
            << "[Desktop Entry]\nType=Application\nName=Record URL\nExec="
            << (home / "record-url.sh").string()
            << " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n";
        std::ofstream(home / ".config/mimeapps.list")
            << "[Default Applications]\nx-scheme-handler/http=record-url.desktop\n"
               "x-scheme-handler/https=record-url.desktop\n";
        desktop.writeSettings({{"cloudServiceURL", serviceUrl}});
    }

    std::optional<std::string> openedUrl() {
        std::string url;
        Desktop::waitUntil([&] { return !(url = readFile(desktop.home() / "opened-url")).empty(); },
                           10s);
        if (url.empty()) return std::nullopt;
        return url;
    }

    // Opens the settings window on a tab and presses keys there, a turn of the
    // program's loop apart.
    bool pressInTab(const std::string& tab, const std::vector<unsigned long>& keys) {
        if (!desktop.openSettings(tab)) return false;
        for (auto key : keys) {
            desktop.pressKey(key);
            usleep(150000);
        }
        return true;
    }

    // The account tab's Sign in button, the browser's sign-in, and the redirect handed
    // to a second start of the program.
    ::testing::AssertionResult signIn() {
        if (!pressInTab("account", {XK_Tab, XK_space}))
            return ::testing::AssertionFailure() << "no settings window";
        auto connect = openedUrl();
        if (!connect) return ::testing::AssertionFailure() << "no browser was opened";
        Browser browser(desktop.home());
        auto callback = browser.signIn(*connect);
        if (!callback)
            return ::testing::AssertionFailure() << "no kelvra: redirect from " << *connect;
        if (desktop.runAnotherKelvra({*callback}) != 0)
            return ::testing::AssertionFailure() << "the second start failed";
        return ::testing::AssertionSuccess();
    }

    std::string secret(const std::string& key) {
        std::string output;
        desktop.run({"secret-tool", "lookup", "account", key}, &output);
        while (!output.empty() && std::isspace(static_cast<unsigned char>(output.back())))
            output.pop_back();
        return output;
    }
    // The service's version the settings last matched; 0 before the first exchange.
    double baseVersion() {
        auto j = desktop.readSettings();
        return j.is_object() ? j.value("cloudSyncBaseVersion", 0.0) : 0.0;
    }
};

TEST(CloudSignIn, TwoMachinesSignedInToOneAccountShareTheirSettings) {
    for (const char* tool : {"chromium", "chromedriver", "gnome-keyring-daemon", "dbus-daemon",
                             "dbus-send", "secret-tool"})
        if (!onPath(tool)) GTEST_SKIP() << tool << " is not installed (scripts/install-deps.sh)";
    char pattern[] = "/tmp/kelvra-cloud-e2e-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    struct Removal {
        std::filesystem::path folder;
        ~Removal() { std::filesystem::remove_all(folder); }
    } removal{pattern};
    addAccount(removal.folder / "data");
    ServiceProcess service(KELVRA_SERVER, removal.folder / "data");

    // The first machine has a layout of its own when it signs in.
    Machine first(service.url());
    first.desktop.writeSettings(
        {{"customLayouts",
          {{{"id", layoutId},
            {"name", "Desk grid"},
            {"columns", 3},
            {"rows", 1},
            {"zones", {{{"col", 0}, {"row", 0}, {"colSpan", 2}, {"rowSpan", 1}}}}}}}});
    first.desktop.startKelvra();
    ASSERT_TRUE(first.signIn());
    ASSERT_TRUE(Desktop::waitUntil(
        [&] { return first.secret("cloudEmail").find(email) != std::string::npos; }, 10s))
        << first.desktop.kelvra().logText();
    const std::string token = first.secret("cloudToken");
    EXPECT_FALSE(token.empty());
    // Signing in uploads the machine's settings as the service's first version.
    ASSERT_TRUE(Desktop::waitUntil([&] { return first.baseVersion() >= 1; }, 10s))
        << first.desktop.kelvra().logText();
    // A change made afterwards goes up on its own, a moment later.
    ASSERT_TRUE(first.pressInTab("snap", {XK_Tab, XK_space}));
    ASSERT_TRUE(Desktop::waitUntil([&] { return first.baseVersion() >= 2; }, 10s))
        << first.desktop.kelvra().logText();
    const auto firstSettings = first.desktop.readSettings();
    EXPECT_FALSE(firstSettings.value("dragSnapEnabled", true));
    EXPECT_EQ(firstSettings.dump().find(token), std::string::npos) << "the token is in the file";

    // The second machine signs in to the same account and downloads both.
    Machine second(service.url());
    second.desktop.startKelvra();
    ASSERT_TRUE(second.signIn());
    EXPECT_TRUE(Desktop::waitUntil(
        [&] {
            auto j = second.desktop.readSettings();
            return j.is_object() && !j.value("dragSnapEnabled", true) &&
                   j.dump().find("Desk grid") != std::string::npos;
        },
        15s))
        << second.desktop.readSettings().dump() << "\n"
        << second.desktop.kelvra().logText();
    EXPECT_NE(second.secret("cloudEmail").find(email), std::string::npos);
}

}  // namespace
}  // namespace kelvra::e2e
