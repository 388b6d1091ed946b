// The message catalog: per-language text files that replace the program's built-in texts.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <limits>
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

// Loads every "*.lcl" file (any letter case) of folder, in file-name order, into Resources.
// Only regular files (links followed) are read: folders, pipes and devices are passed over.
// Files that cannot be read, files over 256 MiB and lines with fewer than three fields are
// skipped without a message.
void LoadCatalog(const std::string& folder);
// Empties Resources (at the end of the program, and between tests).
void ClearCatalog();

// Reads and parses one catalog file; a file that cannot be read gives nullptr.
std::unique_ptr<TLanguageStrings> ParseCatalogFile(const std::string& fileName);
// Parses the raw bytes of a catalog file (byte-order mark, lines, entries).
std::unique_ptr<TLanguageStrings> ParseCatalogBytes(const QByteArray& bytes);
// The text of a catalog file: decoded by its byte-order mark (or the ANSI code page) and cut
// at the first NUL.
QString DecodeCatalogBytes(const QByteArray& bytes);
// The language id a catalog file name stands for ("0407.lcl" -> 0x0407), or 0 when the name
// is not a hexadecimal number of at most 32 bits followed by one extension.
std::int32_t LanguageIdFromFileName(const std::string& fileName);

// Cuts line at every separator; at most maxFields fields are returned (the last one then
// ends at the next separator, and whatever follows is dropped).
std::vector<QString> SplitFields(const QString& line, QChar separator);
std::vector<QString> SplitFields(QStringView line, QChar separator, std::size_t maxFields);
TStringResource MakeStringResource(const std::vector<QString>& fields);
void ApplyReplacePatterns(QString& s);
// Replaces every occurrence of pattern, left to right, in one pass.
QString ReplaceAll(const QString& s, QStringView pattern, QStringView replacement);

const TLanguageStrings* FindLanguage(std::int32_t langId);
bool FindString(const TLanguageStrings& language, const std::string& section,
                const std::string& name, QString& text, QString& hint);

QString GetMessageText(std::int32_t langId, const std::string& key, const QString& defaultText);
QString GetMessageTextById(std::int32_t langId, int id, const QString& defaultText);
QString FormatMessageText(std::int32_t langId, const std::string& key, const QString& defaultText,
                          const QString& s1, const QString& s2);
QString FormatMessageTextById(std::int32_t langId, int id, const QString& defaultText,
                              const QString& s1, const QString& s2);
