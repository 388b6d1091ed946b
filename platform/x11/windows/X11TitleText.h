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
