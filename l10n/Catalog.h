// The message catalog: per-language text files that replace the program's built-in texts,
// loaded once at start-up and read-only afterwards.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "l10n/CatalogCodePage.h"
#include "l10n/CatalogFile.h"

class Catalog {
  public:
    // Files without a byte-order mark, and every section and name field, are read in the
    // Windows ANSI code page of languageId.
    Catalog(const CodePages& codePages, std::uint32_t languageId);

    // Loads every "*.lcl" file (any letter case) of folder, in file-name order. Only regular
    // files (links followed) are read: folders, pipes and devices are passed over. Files
    // that cannot be read, files over 256 MiB and lines with fewer than three fields are
    // skipped without a message.
    void Load(const std::string& folder);
    // Adds one parsed language (as Load does for each file).
    void Add(std::unique_ptr<TLanguageStrings> language);
    void Clear() { languages_.clear(); }

    const std::vector<std::unique_ptr<TLanguageStrings>>& Languages() const { return languages_; }
    const CatalogCodePage& CodePage() const { return codePage_; }

    // The language of langId, else the first one of its primary language, else null.
    const TLanguageStrings* FindLanguage(std::int32_t langId) const;

    QString GetMessageText(std::int32_t langId, const std::string& key,
                           const QString& defaultText) const;
    QString GetMessageTextById(std::int32_t langId, int id, const QString& defaultText) const;
    QString FormatMessageText(std::int32_t langId, const std::string& key,
                              const QString& defaultText, const QString& s1,
                              const QString& s2) const;
    QString FormatMessageTextById(std::int32_t langId, int id, const QString& defaultText,
                                  const QString& s1, const QString& s2) const;

  private:
    CatalogCodePage codePage_;
    std::vector<std::unique_ptr<TLanguageStrings>> languages_;
};
