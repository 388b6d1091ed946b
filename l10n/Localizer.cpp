// Loading the catalog folder and answering lookups.
#include "l10n/Localizer.h"

#include <QFile>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "l10n/AnsiCodePage.h"

TL10NResources Resources;

namespace {

// A catalog file is a few kilobytes of text; anything this big is not one and would only
// exhaust memory.
constexpr qint64 kMaxCatalogFileSize = qint64{256} * 1024 * 1024;
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

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
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

void SetCatalogLanguage(std::uint32_t langId) {
    SetAnsiCodePage(AnsiCodePageForLanguage(langId));
}

std::int32_t LanguageIdFromFileName(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    const std::string_view base = std::string_view(fileName).substr(0, dot);
    if (base.empty()) {
        return 0;
    }
    std::uint64_t value = 0;
    for (char c : base) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            return 0;
        }
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu) {
            return 0;
        }
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

void LoadCatalog(const std::string& folder) {
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
        auto language = ParseCatalogFile(path.string());
        if (!language) {
            continue;
        }
        language->LangId = langId;
        Resources.push_back(std::move(language));
    }
}

void ClearCatalog() {
    Resources.clear();
}

std::unique_ptr<TLanguageStrings> ParseCatalogFile(const std::string& fileName) {
    // Only regular files: opening a pipe would block, and a device may never end.
    std::error_code statusError;
    if (!std::filesystem::is_regular_file(std::filesystem::path(fileName), statusError)) {
        return nullptr;
    }
    QFile file(QFile::decodeName(fileName.c_str()));
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    if (file.size() > kMaxCatalogFileSize) {
        return nullptr;
    }
    const QByteArray bytes = file.read(kMaxCatalogFileSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxCatalogFileSize) {
        return nullptr;
    }
    return ParseCatalogBytes(bytes);
}

const TLanguageStrings* FindLanguage(std::int32_t langId) {
    const std::int32_t primary = langId & kPrimaryLanguageMask;
    const TLanguageStrings* candidate = nullptr;
    for (const auto& language : Resources) {
        if (language->LangId == langId) {
            return language.get();
        }
        if (language->LangId == primary) {
            candidate = language.get();
        }
    }
    return candidate;
}

bool FindString(const TLanguageStrings& language, const std::string& section,
                const std::string& name, QString& text, QString& hint) {
    const TStringResource* entry = FindEntry(language, section, name);
    if (!entry) {
        return false;
    }
    text = entry->Text;
    hint = entry->Hint;
    return true;
}

QString GetMessageText(std::int32_t langId, const std::string& key, const QString& defaultText) {
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

QString GetMessageTextById(std::int32_t langId, int id, const QString& defaultText) {
    return GetMessageText(langId, std::to_string(id), defaultText);
}

QString FormatMessageText(std::int32_t langId, const std::string& key, const QString& defaultText,
                          const QString& s1, const QString& s2) {
    const QString withFirst = ReplaceAll(GetMessageText(langId, key, defaultText), u"%s1%", s1);
    return ReplaceAll(withFirst, u"%s2%", s2);
}

QString FormatMessageTextById(std::int32_t langId, int id, const QString& defaultText,
                              const QString& s1, const QString& s2) {
    return FormatMessageText(langId, std::to_string(id), defaultText, s1, s2);
}
