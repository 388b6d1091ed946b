// libFuzzer target: any bytes as a catalog file. Besides not crashing, the parser must keep
// its invariants, and its one-pass helpers must agree with the plain step-by-step versions.
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "l10n/CatalogFile.h"
#include "platform/IcuCodePages.h"

namespace {

// Code pages of different shapes: Western, Cyrillic, Greek, Thai and the four double-byte ones.
constexpr std::array<std::uint32_t, 8> kLanguages = {0x0409, 0x0419, 0x0408, 0x041E,
                                                     0x0411, 0x0804, 0x0412, 0x0404};
constexpr qsizetype kDifferentialLimit = 4096;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Double-byte code pages may use "~" as a trail byte, but never a control character.
bool HasLineBreakOrNul(const std::string& field) {
    return field.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

void CheckEntries(const TLanguageStrings& language) {
    for (const auto& entry : language.Strings) {
        Require(!HasLineBreakOrNul(entry.Section));
        Require(!HasLineBreakOrNul(entry.Name));
        Require(!entry.Text.contains(u'~') && !entry.Hint.contains(u'~'));
        Require(!entry.Text.contains(QChar(0)) && !entry.Hint.contains(QChar(0)));
        // Texts are already expanded: expanding again changes nothing.
        QString again = entry.Text;
        ApplyReplacePatterns(again);
        Require(again == entry.Text);
    }
    // The first entry of a (section, name) pair answers the lookup.
    const std::size_t checks = std::min<std::size_t>(language.Strings.size(), 8);
    for (std::size_t i = 0; i < checks; ++i) {
        const auto& entry = language.Strings[i];
        QString text;
        QString hint;
        Require(FindString(language, entry.Section, entry.Name, text, hint));
        for (std::size_t j = 0; j < i; ++j) {
            const auto& earlier = language.Strings[j];
            if (earlier.Section == entry.Section && earlier.Name == entry.Name) {
                Require(text == earlier.Text && hint == earlier.Hint);
                return;
            }
        }
        Require(text == entry.Text && hint == entry.Hint);
    }
}

void CheckHelpersAgainstQt(const QString& text) {
    if (text.size() > kDifferentialLimit) {
        return;
    }
    QString stepwise = text;
    for (const auto& rule : ReplacePatterns) {
        stepwise.replace(rule.Pattern, rule.Replacement);
    }
    QString onePass = text;
    ApplyReplacePatterns(onePass);
    Require(onePass == stepwise);

    QString placeholders = text;
    Require(ReplaceAll(text, u"%s1%", u"<x>") == placeholders.replace("%s1%", "<x>"));

    const QStringList split = text.split(u'~');
    const std::vector<QString> fields = SplitFields(text, u'~');
    Require(fields.size() == static_cast<std::size_t>(split.size()));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        Require(fields[i] == split[static_cast<qsizetype>(i)]);
    }
    const std::vector<QString> limited = SplitFields(QStringView(text), u'~', 4);
    Require(limited.size() == std::min<std::size_t>(fields.size(), 4));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const IcuCodePages codePages;
    const CatalogCodePage codePage(codePages, kLanguages[size % kLanguages.size()]);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto language = ParseCatalogBytes(bytes, codePage);
    Require(language != nullptr);
    CheckEntries(*language);
    CheckHelpersAgainstQt(DecodeCatalogBytes(bytes, codePage));
    LanguageIdFromFileName(std::string(bytes.constData(), std::min<std::size_t>(size, 16)));
    return 0;
}
