// The 8-bit Windows ANSI code pages that catalog files without a byte-order mark, and the
// catalog's section and name fields, are written in.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>

class CodePages {
  public:
    virtual ~CodePages() = default;
    // The ANSI code page of a Windows language id (1252 for Western languages, 1251 for
    // Cyrillic ones, 932 for Japanese...); unknown ids give 1252.
    virtual int AnsiCodePageForLanguage(std::uint16_t languageId) const = 0;
    // Invalid sequences become U+FFFD.
    virtual QString Decode(int codePage, const QByteArray& bytes) const = 0;
    // Characters the code page cannot hold (and unpaired surrogates) become '?'.
    virtual QByteArray Encode(int codePage, QStringView text) const = 0;
};
