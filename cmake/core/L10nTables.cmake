# Compiles the interface texts (src/l10n/tables/<language>.json) into the core, so that no
# file is read at run time. Each table is checked to be a JSON object when CMake runs, and
# CMake runs again whenever a table changes.
set(KELVRA_L10N_LANGUAGES en ja ko zh-Hans zh-Hant de fr es pt-BR ru it nl pl tr)
set(KELVRA_L10N_CASES en ja ko zhHans zhHant de fr es ptBR ru it nl pl tr)
set(KELVRA_L10N_DELIMITER "kelvra_l10n")

set(l10n_cases "")
foreach(language case IN ZIP_LISTS KELVRA_L10N_LANGUAGES KELVRA_L10N_CASES)
  set(table ${PROJECT_SOURCE_DIR}/src/l10n/tables/${language}.json)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
  if(NOT EXISTS ${table})
    message(FATAL_ERROR "Localization table missing: ${table}")
  endif()
  file(READ ${table} content)
  string(JSON kind ERROR_VARIABLE json_error TYPE "${content}")
  if(json_error OR NOT kind STREQUAL "OBJECT")
    message(FATAL_ERROR "Localization table ${table} is not a JSON object: ${json_error}")
  endif()
  string(FIND "${content}" ")${KELVRA_L10N_DELIMITER}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "Localization table ${table} contains the literal delimiter")
  endif()
  string(APPEND l10n_cases
         "        case AppLanguage::${case}:\n"
         "            return R\"${KELVRA_L10N_DELIMITER}(${content})${KELVRA_L10N_DELIMITER}\";\n")
endforeach()

set(l10n_generated ${PROJECT_BINARY_DIR}/generated/l10n/EmbeddedLocalizationTables.cpp)
file(CONFIGURE OUTPUT ${l10n_generated} CONTENT
"// Generated from src/l10n/tables/*.json by cmake/core/L10nTables.cmake. Do not edit.
#include \"l10n/LocalizationTables.h\"

namespace kelvra {

std::string_view embeddedLocalizationTable(AppLanguage language) {
    switch (language) {
@l10n_cases@    }
    return \"{}\";
}

}  // namespace kelvra
" @ONLY)
target_sources(kelvra_core PRIVATE ${l10n_generated})
