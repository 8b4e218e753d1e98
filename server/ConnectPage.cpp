#include "ConnectPage.h"

namespace kelvra::server {

namespace {

constexpr std::string_view kHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Sign in to Kelvra</title>
<style>
body { font-family: system-ui, sans-serif; max-width: 24rem; margin: 3rem auto; padding: 0 1rem; }
label { display: block; margin-top: 1rem; font-weight: 600; }
input { width: 100%; box-sizing: border-box; padding: 0.5rem; font-size: 1rem; }
button { margin-top: 1.5rem; padding: 0.5rem 1.5rem; font-size: 1rem; }
.error { color: #a40000; border-left: 4px solid #a40000; padding-left: 0.5rem; }
</style>
</head>
<body>
<main>
)";

constexpr std::string_view kTail = "</main>\n</body>\n</html>\n";

}  // namespace

std::string htmlEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string percentEncode(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string connectPage(std::string_view action, std::string_view email, std::string_view message) {
    std::string page(kHead);
    page += "<h1>Sign in to Kelvra</h1>\n";
    page += "<p>Sign in to keep your Kelvra settings the same on all your computers.</p>\n";
    if (!message.empty()) {
        // role="alert" makes screen readers announce the failure when the page returns.
        page += "<p class=\"error\" role=\"alert\" id=\"error\">" + htmlEscape(message) + "</p>\n";
    }
    page += "<form method=\"post\" action=\"" + htmlEscape(action) + "\">\n";
    page += "<label for=\"email\">E-mail address</label>\n";
    page += "<input id=\"email\" name=\"email\" type=\"email\" autocomplete=\"username\" required";
    if (!message.empty()) page += " aria-describedby=\"error\"";
    page += " value=\"" + htmlEscape(email) + "\"" + (email.empty() ? " autofocus" : "") + ">\n";
    page += "<label for=\"password\">Password</label>\n";
    page +=
        "<input id=\"password\" name=\"password\" type=\"password\" "
        "autocomplete=\"current-password\" required";
    page += email.empty() ? ">\n" : " autofocus>\n";
    page += "<button type=\"submit\">Sign in</button>\n</form>\n";
    page += kTail;
    return page;
}

std::string invalidLinkPage() {
    std::string page(kHead);
    page += "<h1>This sign-in link is not valid</h1>\n";
    page += "<p>Start the sign-in again from Kelvra's settings.</p>\n";
    page += kTail;
    return page;
}

}  // namespace kelvra::server
