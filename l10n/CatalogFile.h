// One catalog file: its entries, how its bytes are decoded and how its lines are cut.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "l10n/CatalogCodePage.h"

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

// Reads and parses one catalog file; a file that cannot be read (not a regular file, over
// 256 MiB, a read error) gives nullptr.
std::unique_ptr<TLanguageStrings> ParseCatalogFile(const std::string& fileName,
                                                   const CatalogCodePage& codePage);
// Parses the raw bytes of a catalog file (byte-order mark, lines, entries).
std::unique_ptr<TLanguageStrings> ParseCatalogBytes(const QByteArray& bytes,
                                                    const CatalogCodePage& codePage);
// The text of a catalog file: decoded by its byte-order mark (or the code page) and cut at
// the first NUL.
QString DecodeCatalogBytes(const QByteArray& bytes, const CatalogCodePage& codePage);
// The language id a catalog file name stands for ("0407.lcl" -> 0x0407), or 0 when the name
// is not a hexadecimal number of at most 32 bits followed by one extension.
std::int32_t LanguageIdFromFileName(const std::string& fileName);

// Cuts line at every separator; at most maxFields fields are returned (the last one then
// ends at the next separator, and whatever follows is dropped).
std::vector<QString> SplitFields(const QString& line, QChar separator);
std::vector<QString> SplitFields(QStringView line, QChar separator, std::size_t maxFields);
TStringResource MakeStringResource(const std::vector<QString>& fields,
                                   const CatalogCodePage& codePage);
void ApplyReplacePatterns(QString& s);
// Replaces every occurrence of pattern, left to right, in one pass.
QString ReplaceAll(const QString& s, QStringView pattern, QStringView replacement);

// The entry section/name of language: its text and hint, or false when there is none.
bool FindString(const TLanguageStrings& language, const std::string& section,
                const std::string& name, QString& text, QString& hint);
