// The 8-bit Windows ANSI code page that catalog files without a byte-order mark are written
// in, and the conversions between it and UTF-16. The code page follows the user's language.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>

// The Windows ANSI code page of a language id (1252 for Western languages, 1251 for
// Cyrillic ones, 932 for Japanese...). Unknown ids and languages whose script has no ANSI
// code page give 1252.
int AnsiCodePageForLanguage(std::uint32_t langId);

// Selects the code page used by AnsiToWide and WideToAnsi. Starts as 1252.
void SetAnsiCodePage(int codePage);
int CurrentAnsiCodePage();

// Decodes 8-bit text. Invalid byte sequences (a lead byte without its trail byte) become
// U+FFFD; the few unassigned single bytes keep the code point Windows gives them (0x81 in
// 1252 becomes U+0081).
QString AnsiToWide(const QByteArray& bytes);
// Encodes to 8 bits; characters the code page cannot represent (and unpaired surrogates)
// become "?", as Windows does by default.
std::string WideToAnsi(QStringView text);
