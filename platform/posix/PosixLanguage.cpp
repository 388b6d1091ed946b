// The user's language as a Windows language id, from the POSIX locale settings, through
// ICU's locale-to-LCID table.
#include <unicode/uloc.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/PosixLanguage.h"

namespace {

constexpr std::uint16_t kEnglishUnitedStates = 0x0409;
constexpr std::size_t kMaxLocaleLength = 96;

// A POSIX locale name: language[_territory][.codeset][@modifier].
struct PosixLocale {
    std::string base;  // language[_territory]
    std::string modifier;
};

PosixLocale SplitPosixLocale(std::string_view name) {
    PosixLocale out;
    const auto at = name.find('@');
    if (at != std::string_view::npos) {
        out.modifier = std::string(name.substr(at + 1));
        name = name.substr(0, at);
    }
    out.base = std::string(name.substr(0, name.find('.')));
    for (char& c : out.base) {
        if (c == '-') {
            c = '_';
        }
    }
    return out;
}

// Script modifiers name a script; "euro" and the like change nothing the id can say;
// anything else (ca_ES@valencia) is a variant.
void ApplyModifier(const std::string& modifier, std::string* script, std::string* variant) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kScripts{{
        {"latin", "Latn"},
        {"cyrillic", "Cyrl"},
        {"devanagari", "Deva"},
        {"arabic", "Arab"},
    }};
    for (const auto& [name, code] : kScripts) {
        if (modifier == name) {
            *script = code;
            return;
        }
    }
    if (!modifier.empty() && modifier != "euro") {
        *variant = modifier;
        for (char& c : *variant) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');  // ICU spells variants in capitals
            }
        }
    }
}

std::string Join(const std::string& language, const std::string& script, const std::string& country,
                 const std::string& variant) {
    std::string id = language;
    for (const std::string* part : {&script, &country}) {
        if (!part->empty()) {
            id += "_" + *part;
        }
    }
    if (!variant.empty()) {
        id += (country.empty() ? "__" : "_") + variant;
    }
    return id;
}

struct LocaleParts {
    std::string language, script, country;
};

LocaleParts PartsOf(const char* id) {
    char language[ULOC_LANG_CAPACITY] = {};
    char script[ULOC_SCRIPT_CAPACITY] = {};
    char country[ULOC_COUNTRY_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_getLanguage(id, language, sizeof language, &status);
    uloc_getScript(id, script, sizeof script, &status);
    uloc_getCountry(id, country, sizeof country, &status);
    if (U_FAILURE(status)) {
        return {};
    }
    return {language, script, country};
}

// Ids with a real sublanguage (a country or script form), not the language-neutral ones
// (sublanguage 0) nor the 0x7C00-range "neutral script" ids.
bool IsSpecific(std::uint32_t lcid) {
    const std::uint32_t sub = (lcid >> 10) & 0x3F;
    return sub >= 1 && sub <= 0x1E;
}

}  // namespace

std::uint16_t LanguageIdForLocaleName(std::string_view locale) {
    if (locale.empty() || locale.size() > kMaxLocaleLength) {
        return kEnglishUnitedStates;
    }
    const PosixLocale posix = SplitPosixLocale(locale);
    if (posix.base.empty() || posix.base == "C" || posix.base == "POSIX") {
        return kEnglishUnitedStates;
    }
    LocaleParts given = PartsOf(posix.base.c_str());
    std::string variant;
    ApplyModifier(posix.modifier, &given.script, &variant);

    // A bare language ("de") or one without its script ("sr_RS") is completed with ICU's
    // likely subtags (de_Latn_DE, sr_Cyrl_RS); the table knows some ids only with the
    // script and others only without it, so both forms are tried.
    const std::string explicitId = Join(given.language, given.script, given.country, variant);
    char likely[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_addLikelySubtags(explicitId.c_str(), likely, sizeof likely, &status);
    LocaleParts full = U_SUCCESS(status) ? PartsOf(likely) : given;
    if (full.language != given.language) {
        full = given;
    }
    const std::vector<std::string> candidates{
        Join(full.language, full.script, full.country, variant),
        Join(full.language, "", full.country, variant),
        explicitId,
    };
    std::uint32_t fallback = 0;
    for (const std::string& id : candidates) {
        const std::uint32_t lcid = uloc_getLCID(id.c_str()) & 0xFFFF;
        if (IsSpecific(lcid)) {
            return static_cast<std::uint16_t>(lcid);
        }
        if (fallback == 0) {
            fallback = lcid;
        }
    }
    return fallback != 0 ? static_cast<std::uint16_t>(fallback) : kEnglishUnitedStates;
}

std::uint16_t LanguageIdFromLocale() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return LanguageIdForLocaleName(value);
        }
    }
    return kEnglishUnitedStates;
}
