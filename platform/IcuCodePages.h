// The Windows ANSI code pages through ICU's converters and locale data.
#pragma once

#include "platform/CodePages.h"

class IcuCodePages : public CodePages {
  public:
    // Cyrillic ids give 1251, Central European Latin ones 1250, scripts without an ANSI
    // code page (Devanagari...) and unknown ids 1252.
    int AnsiCodePageForLanguage(std::uint16_t languageId) const override;
    // The few unassigned single bytes keep the code point Windows gives them (0x81 in 1252
    // becomes U+0081). An unknown code page decodes and encodes as 1252.
    QString Decode(int codePage, const QByteArray& bytes) const override;
    QByteArray Encode(int codePage, QStringView text) const override;
};
