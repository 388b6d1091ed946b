// The message catalog: per-language text files that replace the program's built-in texts.
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TReplacePatterns {
    QString Pattern;
    QString Replacement;
};

// The escape tokens expanded in catalog texts and in default texts, in this order.
extern const std::array<TReplacePatterns, 4> ReplacePatterns;

struct TStringResource {
    std::string Section;  // 8-bit, compared byte for byte
    std::string Name;     // 8-bit, compared byte for byte
    QString Text;
    QString Hint;
};

struct TLanguageStrings {
    std::int32_t LangId = 0;
    std::vector<TStringResource> Strings;
};

using TL10NResources = std::vector<std::unique_ptr<TLanguageStrings>>;

// The process-wide catalog: filled once by LoadCatalog, read-only afterwards.
extern TL10NResources Resources;

// Chooses the 8-bit code page used for catalog files without a byte-order mark and for the
// section and name fields: the Windows ANSI code page of the given language id.
void SetCatalogLanguage(std::uint32_t langId);

void LoadCatalog(const std::string& folder);
// Empties Resources (at the end of the program, and between tests).
void ClearCatalog();

std::unique_ptr<TLanguageStrings> ParseCatalogFile(const std::string& fileName);
std::vector<QString> SplitFields(const QString& line, QChar separator);
TStringResource MakeStringResource(const std::vector<QString>& fields);
void ApplyReplacePatterns(QString& s);

const TLanguageStrings* FindLanguage(std::int32_t langId);
bool FindString(const TLanguageStrings& language, const std::string& section,
                const std::string& name, QString& text, QString& hint);

QString GetMessageText(std::int32_t langId, const std::string& key, const QString& defaultText);
QString GetMessageTextById(std::int32_t langId, int id, const QString& defaultText);
QString FormatMessageText(std::int32_t langId, const std::string& key, const QString& defaultText,
                          const QString& s1, const QString& s2);
QString FormatMessageTextById(std::int32_t langId, int id, const QString& defaultText,
                              const QString& s1, const QString& s2);
