// The 8-bit code page of a catalog: the one files without a byte-order mark and the
// section and name fields are written in, chosen from the user's language.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>

#include "platform/CodePages.h"

class CatalogCodePage {
  public:
    // The Windows ANSI code page of languageId.
    CatalogCodePage(const CodePages& codePages, std::uint32_t languageId);
    // A given code page (1252 is Western).
    static CatalogCodePage Fixed(const CodePages& codePages, int codePage);

    int Number() const { return codePage_; }
    QString Decode(const QByteArray& bytes) const { return codePages_->Decode(codePage_, bytes); }
    std::string Encode(QStringView text) const;

  private:
    CatalogCodePage(const CodePages* codePages, int codePage)
        : codePages_(codePages), codePage_(codePage) {}

    const CodePages* codePages_;
    int codePage_;
};
