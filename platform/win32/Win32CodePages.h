// The ANSI code pages through Windows itself: MultiByteToWideChar and WideCharToMultiByte,
// and the locale data for a language's code page.
#pragma once

#include "platform/CodePages.h"

class Win32CodePages final : public CodePages {
  public:
    // LOCALE_IDEFAULTANSICODEPAGE of the language's locale; languages without one (those
    // written only in Unicode, and ids Windows does not know) give 1252.
    int AnsiCodePageForLanguage(std::uint16_t languageId) const override;
    QString Decode(int codePage, const QByteArray& bytes) const override;
    QByteArray Encode(int codePage, QStringView text) const override;
};
