#include "platform/IcuCodePages.h"

#include <unicode/ucnv.h>
#include <unicode/uloc.h>

#include <array>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

struct ScriptCodePage {
    std::string_view script;
    int codePage;
};

// Scripts that have exactly one Windows ANSI code page.
constexpr std::array<ScriptCodePage, 9> kScriptCodePages = {{
    {"Cyrl", 1251},
    {"Grek", 1253},
    {"Hebr", 1255},
    {"Arab", 1256},
    {"Thai", 874},
    {"Jpan", 932},
    {"Hans", 936},
    {"Kore", 949},
    {"Hant", 950},
}};

struct LanguageCodePage {
    std::string_view language;
    int codePage;
};

// Latin-script languages whose ANSI code page is not the Western 1252.
constexpr std::array<LanguageCodePage, 16> kLatinCodePages = {{
    {"cs", 1250},
    {"sk", 1250},
    {"pl", 1250},
    {"hu", 1250},
    {"hr", 1250},
    {"sl", 1250},
    {"ro", 1250},
    {"sq", 1250},
    {"bs", 1250},
    {"sr", 1250},
    {"tr", 1254},
    {"az", 1254},
    {"uz", 1254},
    {"lt", 1257},
    {"lv", 1257},
    {"et", 1257},
}};

constexpr int kWesternCodePage = 1252;

// The locale of a language id with its script made explicit ("ru" -> "ru_Cyrl_RU").
std::string LikelyLocaleForLanguage(std::uint16_t langId) {
    char locale[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_getLocaleForLCID(langId, locale, sizeof locale, &status);
    if (U_FAILURE(status) || locale[0] == '\0') {
        return {};
    }
    char maximized[ULOC_FULLNAME_CAPACITY] = {};
    status = U_ZERO_ERROR;
    uloc_addLikelySubtags(locale, maximized, sizeof maximized, &status);
    if (U_FAILURE(status)) {
        return locale;
    }
    return maximized;
}

// A converter for the code page, substituting '?' for what it cannot encode; 1252 when ICU
// has no converter for the code page. Null only when ICU has none at all.
ConverterPtr OpenConverter(int codePage) {
    const std::string name = "windows-" + std::to_string(codePage);
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open(name.c_str(), &status));
    if (U_FAILURE(status) || !converter) {
        status = U_ZERO_ERROR;
        converter.reset(ucnv_open("windows-1252", &status));
        if (U_FAILURE(status)) {
            return nullptr;
        }
    }
    status = U_ZERO_ERROR;
    ucnv_setSubstChars(converter.get(), "?", 1, &status);
    return converter;
}

bool IsAscii(QStringView text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace

int IcuCodePages::AnsiCodePageForLanguage(std::uint16_t langId) const {
    const std::string locale = LikelyLocaleForLanguage(langId);
    if (locale.empty()) {
        return kWesternCodePage;
    }
    UErrorCode status = U_ZERO_ERROR;
    char script[ULOC_SCRIPT_CAPACITY] = {};
    uloc_getScript(locale.c_str(), script, sizeof script, &status);
    char language[ULOC_LANG_CAPACITY] = {};
    status = U_ZERO_ERROR;
    uloc_getLanguage(locale.c_str(), language, sizeof language, &status);

    for (const auto& entry : kScriptCodePages) {
        if (entry.script == script) {
            return entry.codePage;
        }
    }
    if (std::string_view(script) != "Latn") {
        // Scripts such as Devanagari have no ANSI code page; Windows treats them as Unicode-only.
        return kWesternCodePage;
    }
    for (const auto& entry : kLatinCodePages) {
        if (entry.language == language) {
            return entry.codePage;
        }
    }
    if (std::string_view(language) == "vi") {
        return 1258;
    }
    return kWesternCodePage;
}

QString IcuCodePages::Decode(int codePage, const QByteArray& bytes) const {
    if (bytes.isEmpty()) {
        return {};
    }
    const ConverterPtr owned = OpenConverter(codePage);
    UConverter* converter = owned.get();
    if (!converter) {
        return QString::fromLatin1(bytes);
    }
    // One byte never gives more than one UTF-16 unit in these code pages; the retry covers
    // a converter that does anyway.
    QString result(bytes.size() + 1, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    auto* out = reinterpret_cast<UChar*>(result.data());
    int32_t length = ucnv_toUChars(converter, out, static_cast<int32_t>(result.size()),
                                   bytes.constData(), static_cast<int32_t>(bytes.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        result.resize(length + 1);
        status = U_ZERO_ERROR;
        ucnv_reset(converter);
        out = reinterpret_cast<UChar*>(result.data());
        length = ucnv_toUChars(converter, out, static_cast<int32_t>(result.size()),
                               bytes.constData(), static_cast<int32_t>(bytes.size()), &status);
    }
    if (U_FAILURE(status)) {
        return QString::fromLatin1(bytes);
    }
    result.resize(length);
    return result;
}

QByteArray IcuCodePages::Encode(int codePage, QStringView text) const {
    if (IsAscii(text)) {
        QByteArray ascii(text.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i) {
            ascii[i] = static_cast<char>(text[i].unicode());
        }
        return ascii;
    }
    const ConverterPtr owned = OpenConverter(codePage);
    UConverter* converter = owned.get();
    if (!converter) {
        return text.toLatin1();
    }
    const auto* source = reinterpret_cast<const UChar*>(text.utf16());
    const auto sourceLength = static_cast<int32_t>(text.size());
    QByteArray result(text.size() * 2 + 1, '\0');
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = ucnv_fromUChars(converter, result.data(), static_cast<int32_t>(result.size()),
                                     source, sourceLength, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        result.resize(length + 1);
        status = U_ZERO_ERROR;
        ucnv_reset(converter);
        length = ucnv_fromUChars(converter, result.data(), static_cast<int32_t>(result.size()),
                                 source, sourceLength, &status);
    }
    if (U_FAILURE(status)) {
        return text.toLatin1();
    }
    result.resize(length);
    return result;
}
