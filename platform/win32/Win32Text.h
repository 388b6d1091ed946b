// Text conversions at the edge of the Win32 calls: the interface carries UTF-8 strings and
// UTF-16 titles; Windows answers in UTF-16 or in the ANSI code page.
#pragma once

#include <string>
#include <string_view>

std::string Utf16ToUtf8(std::wstring_view text);
// Bytes in the system's ANSI code page (what the ...A functions return) to UTF-8.
std::string AnsiToUtf8(std::string_view text);
