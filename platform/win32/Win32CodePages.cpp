#include "platform/win32/Win32CodePages.h"

#include "platform/win32/Win32Api.h"

#include <climits>
#include <optional>
#include <string>

namespace {

constexpr int kFallbackCodePage = 1252;
constexpr char16_t kReplacement = 0xFFFD;

// The whole text strictly; nothing when a byte sequence is invalid in the code page.
std::optional<std::wstring> DecodeStrict(UINT codePage, const char* bytes, int length) {
    const int units =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, length, nullptr, 0);
    if (units <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, length, wide.data(), units);
    return wide;
}

// One character at a time: a lead byte takes its trail byte with it, and a sequence the
// code page refuses (a lead byte at the end, a pair it does not define) becomes U+FFFD.
// Without this, Windows would put the code page's own default character (U+30FB in 932)
// where the bytes were invalid.
QString DecodeByCharacter(UINT codePage, const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    qsizetype at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<BYTE>(bytes[at]);
        const int length = IsDBCSLeadByteEx(codePage, lead) && at + 1 < bytes.size() ? 2 : 1;
        const bool cutShort = IsDBCSLeadByteEx(codePage, lead) && length == 1;
        const std::optional<std::wstring> one =
            cutShort ? std::nullopt : DecodeStrict(codePage, bytes.constData() + at, length);
        if (one) {
            text += QString::fromWCharArray(one->data(), static_cast<qsizetype>(one->size()));
        } else {
            text += QChar(kReplacement);
        }
        at += length;
    }
    return text;
}

// The ANSI code page of a language's locale; nothing for a language written only in
// Unicode and for ids the system does not know.
std::optional<int> LocaleCodePage(std::uint16_t languageId) {
    wchar_t locale[LOCALE_NAME_MAX_LENGTH] = {};
    if (LCIDToLocaleName(MAKELCID(languageId, SORT_DEFAULT), locale, LOCALE_NAME_MAX_LENGTH, 0) <=
        0) {
        return std::nullopt;
    }
    DWORD codePage = 0;
    if (GetLocaleInfoEx(locale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPWSTR>(&codePage),
                        sizeof codePage / sizeof(wchar_t)) <= 0 ||
        codePage == 0 || codePage == CP_UTF8) {
        return std::nullopt;
    }
    return static_cast<int>(codePage);
}

// Serbian for Serbia and Montenegro was retired when the two countries parted; systems
// with newer locale data (Wine among them) know only the ids for Serbia.
std::optional<std::uint16_t> SuccessorLanguage(std::uint16_t languageId) {
    switch (languageId) {
        case 0x081A:        // sr-Latn-CS
            return 0x241A;  // sr-Latn-RS
        case 0x0C1A:        // sr-Cyrl-CS
            return 0x281A;  // sr-Cyrl-RS
        default:
            return std::nullopt;
    }
}

}  // namespace

int Win32CodePages::AnsiCodePageForLanguage(std::uint16_t languageId) const {
    if (const std::optional<int> codePage = LocaleCodePage(languageId)) {
        return *codePage;
    }
    if (const std::optional<std::uint16_t> successor = SuccessorLanguage(languageId)) {
        return LocaleCodePage(*successor).value_or(kFallbackCodePage);
    }
    return kFallbackCodePage;
}

QString Win32CodePages::Decode(int codePage, const QByteArray& bytes) const {
    if (bytes.isEmpty() || bytes.size() > INT_MAX) {
        return {};
    }
    const auto page = static_cast<UINT>(codePage);
    if (const auto whole = DecodeStrict(page, bytes.constData(), static_cast<int>(bytes.size()))) {
        return QString::fromWCharArray(whole->data(), static_cast<qsizetype>(whole->size()));
    }
    return DecodeByCharacter(page, bytes);
}

QByteArray Win32CodePages::Encode(int codePage, QStringView text) const {
    if (text.isEmpty() || text.size() > INT_MAX) {
        return {};
    }
    const std::wstring wide = text.toString().toStdWString();
    const auto page = static_cast<UINT>(codePage);
    const int length = static_cast<int>(wide.size());
    // No best fit: a character the code page lacks becomes '?', never a look-alike.
    const char replacement = '?';
    const int bytes = WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr,
                                          0, &replacement, nullptr);
    if (bytes <= 0) {
        return {};
    }
    QByteArray encoded(bytes, '\0');
    WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide.data(), length, encoded.data(), bytes,
                        &replacement, nullptr);
    return encoded;
}
