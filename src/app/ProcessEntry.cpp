#include "app/ProcessEntry.h"

#include <string>
#include <variant>

#include "platform/port/Platform.h"

namespace kelvra {

void ProcessEntry::prepareLanguage() {
    auto& defaults = *platform().defaults;
    auto stored = defaults.object("languageCode");
    const std::string* code = stored ? std::get_if<std::string>(&*stored) : nullptr;
    if (code && !code->empty()) {
        defaults.set("AppleLanguages", port::StringArray{*code});
    } else {
        defaults.remove("AppleLanguages");
    }
}

}  // namespace kelvra
