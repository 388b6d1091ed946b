// Window titles as X clients store them, turned into the UTF-16 text the program shows.
// Pure functions, no X connection.
#pragma once

#include <string>
#include <string_view>

enum class TitleEncoding {
    Utf8,          // UTF8_STRING (_NET_WM_NAME, and WM_NAME of modern clients)
    Latin1,        // STRING: ISO 8859-1 by definition
    CompoundText,  // COMPOUND_TEXT: ISO 2022 with the X11 character sets
};

// Decodes a title property. The text ends at the first NUL byte (X strings are not meant
// to hold one, and a window title on the other platform ends there too). Invalid bytes
// become U+FFFD; nothing the client stores can make this fail.
std::u16string DecodeTitle(TitleEncoding encoding, std::string_view bytes);

// GetWindowTextW semantics: copies at most maxCount - 1 units and a terminating zero, and
// returns the number of units copied. A surrogate pair that does not fit whole is left out
// rather than cut in half. A null buffer or maxCount < 1 copies nothing and returns 0.
int CopyTitle(std::u16string_view title, char16_t* buffer, int maxCount);
