#pragma once

namespace kelvra {

// The first steps of the process, before anything is localized.
namespace ProcessEntry {
// Reads "languageCode": a non-empty code is kept as the one-element "AppleLanguages"
// array and forced on the toolkit's own texts; otherwise both are cleared.
void prepareLanguage();
}  // namespace ProcessEntry

}  // namespace kelvra
