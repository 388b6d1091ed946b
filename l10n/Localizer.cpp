// Placeholder until the catalog lands: every lookup answers its default text.
#include "l10n/Localizer.h"

const std::array<TReplacePatterns, 4> ReplacePatterns = {{
    {QStringLiteral("<1310>"), QStringLiteral("\r\n")},
    {QStringLiteral("<13>"), QStringLiteral("\r")},
    {QStringLiteral("<10>"), QStringLiteral("\n")},
    {QStringLiteral("<9>"), QStringLiteral("\t")},
}};

TL10NResources Resources;

void SetCatalogLanguage(std::uint32_t) {}
void LoadCatalog(const std::string&) {}
void ClearCatalog() {
    Resources.clear();
}

std::unique_ptr<TLanguageStrings> ParseCatalogFile(const std::string&) {
    return std::make_unique<TLanguageStrings>();
}

std::vector<QString> SplitFields(const QString& line, QChar) {
    return {line};
}

TStringResource MakeStringResource(const std::vector<QString>&) {
    return {};
}

void ApplyReplacePatterns(QString& s) {
    for (const auto& rule : ReplacePatterns) {
        s.replace(rule.Pattern, rule.Replacement);
    }
}

const TLanguageStrings* FindLanguage(std::int32_t) {
    return nullptr;
}

bool FindString(const TLanguageStrings&, const std::string&, const std::string&, QString&,
                QString&) {
    return false;
}

QString GetMessageText(std::int32_t, const std::string&, const QString& defaultText) {
    QString result = defaultText;
    ApplyReplacePatterns(result);
    return result;
}

QString GetMessageTextById(std::int32_t langId, int id, const QString& defaultText) {
    return GetMessageText(langId, std::to_string(id), defaultText);
}

QString FormatMessageText(std::int32_t langId, const std::string& key, const QString& defaultText,
                          const QString& s1, const QString& s2) {
    return GetMessageText(langId, key, defaultText)
        .replace(QStringLiteral("%s1%"), s1)
        .replace(QStringLiteral("%s2%"), s2);
}

QString FormatMessageTextById(std::int32_t langId, int id, const QString& defaultText,
                              const QString& s1, const QString& s2) {
    return FormatMessageText(langId, std::to_string(id), defaultText, s1, s2);
}
