// The Windows ANSI code pages through ICU's converters ("windows-1252"...).
#pragma once

#include "platform/CodePages.h"

class IcuCodePages : public CodePages {
  public:
    int AnsiCodePageForLanguage(std::uint16_t languageId) const override;
    QString Decode(int codePage, const QByteArray& bytes) const override;
    QByteArray Encode(int codePage, QStringView text) const override;
};
