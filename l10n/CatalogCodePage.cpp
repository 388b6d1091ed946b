#include "l10n/CatalogCodePage.h"

CatalogCodePage::CatalogCodePage(const CodePages& codePages, std::uint32_t languageId)
    : CatalogCodePage(&codePages, codePages.AnsiCodePageForLanguage(
                                      static_cast<std::uint16_t>(languageId & 0xFFFFu))) {}

CatalogCodePage CatalogCodePage::Fixed(const CodePages& codePages, int codePage) {
    return {&codePages, codePage};
}

std::string CatalogCodePage::Encode(QStringView text) const {
    return codePages_->Encode(codePage_, text).toStdString();
}
