// Loading the catalog folder and answering lookups.
#include "l10n/Catalog.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace {

constexpr std::int32_t kPrimaryLanguageMask = 0x3FF;

bool HasCatalogExtension(const std::string& name) {
    static constexpr std::string_view kExtension = ".lcl";
    if (name.size() < kExtension.size()) {
        return false;
    }
    const std::string_view tail = std::string_view(name).substr(name.size() - kExtension.size());
    return std::equal(tail.begin(), tail.end(), kExtension.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

// Regular files (after following links) whose name ends in ".lcl", sorted by name. Anything
// else (folders, devices, pipes, dangling links) could not be read or would block a read.
std::vector<std::filesystem::path> ListCatalogFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        const std::filesystem::path& path = it->path();
        if (!HasCatalogExtension(path.filename().string())) {
            continue;
        }
        std::error_code statusError;
        if (std::filesystem::is_regular_file(path, statusError)) {
            files.push_back(path);
        }
    }
    std::sort(files.begin(), files.end(),
              [](const auto& a, const auto& b) { return a.filename() < b.filename(); });
    return files;
}

const TStringResource* FindEntry(const TLanguageStrings& language, const std::string& section,
                                 const std::string& name) {
    for (const auto& entry : language.Strings) {
        if (entry.Name == name && entry.Section == section) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

Catalog::Catalog(const CodePages& codePages, std::uint32_t languageId)
    : codePage_(codePages, languageId) {}

void Catalog::Load(const std::string& folder) {
    if (folder.empty()) {
        return;
    }
    // The platform's separator is appended when missing; a path already ending in one is
    // taken as it is.
    for (const auto& path : ListCatalogFiles(std::filesystem::path(folder))) {
        const std::int32_t langId = LanguageIdFromFileName(path.filename().string());
        if (langId == 0) {
            continue;  // not a language file: nothing of it is kept, so it need not be read
        }
        auto language = ParseCatalogFile(path.string(), codePage_);
        if (!language) {
            continue;
        }
        language->LangId = langId;
        languages_.push_back(std::move(language));
    }
}

void Catalog::Add(std::unique_ptr<TLanguageStrings> language) {
    if (language) {
        languages_.push_back(std::move(language));
    }
}

const TLanguageStrings* Catalog::FindLanguage(std::int32_t langId) const {
    const std::int32_t primary = langId & kPrimaryLanguageMask;
    const TLanguageStrings* candidate = nullptr;
    for (const auto& language : languages_) {
        if (language->LangId == langId) {
            return language.get();
        }
        if (language->LangId == primary) {
            candidate = language.get();
        }
    }
    return candidate;
}

QString Catalog::GetMessageText(std::int32_t langId, const std::string& key,
                                const QString& defaultText) const {
    QString result = defaultText;
    ApplyReplacePatterns(result);
    const TLanguageStrings* language = FindLanguage(langId);
    if (!language) {
        return result;
    }
    if (const TStringResource* entry = FindEntry(*language, "<SP>", key)) {
        result = entry->Text;
    }
    return result;
}

QString Catalog::GetMessageTextById(std::int32_t langId, int id, const QString& defaultText) const {
    return GetMessageText(langId, std::to_string(id), defaultText);
}

QString Catalog::FormatMessageText(std::int32_t langId, const std::string& key,
                                   const QString& defaultText, const QString& s1,
                                   const QString& s2) const {
    const QString withFirst = ReplaceAll(GetMessageText(langId, key, defaultText), u"%s1%", s1);
    return ReplaceAll(withFirst, u"%s2%", s2);
}

QString Catalog::FormatMessageTextById(std::int32_t langId, int id, const QString& defaultText,
                                       const QString& s1, const QString& s2) const {
    return FormatMessageText(langId, std::to_string(id), defaultText, s1, s2);
}
