#pragma once

#include <string>
#include <string_view>

namespace kelvra::server {

// The sign-in form of the connect page. `action` is the address the form posts to
// (the page's own, with its query); `email` refills the field after a failed attempt;
// `message` (may be empty) says what went wrong.
std::string connectPage(std::string_view action, std::string_view email, std::string_view message);

// The page for a connect link that lacks its challenge or state.
std::string invalidLinkPage();

std::string htmlEscape(std::string_view text);

// Percent-encoding of everything but the unreserved characters (RFC 3986).
std::string percentEncode(std::string_view text);

}  // namespace kelvra::server
