// The Windows ANSI code pages. Stand-in of the X11 branch until the ICU implementation is
// merged: Western European text (code page 1252 as Latin-1) only.
#pragma once

#include "platform/CodePages.h"

class IcuCodePages final : public CodePages {
  public:
    int AnsiCodePageForLanguage(std::uint16_t languageId) const override;
    QString Decode(int codePage, const QByteArray& bytes) const override;
    QByteArray Encode(int codePage, QStringView text) const override;
};
