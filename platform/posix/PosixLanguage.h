// The user's language as a Windows language id, from the POSIX locale settings; shared by
// the backends of Unix desktops (X11, Wayland).
#pragma once

#include <cstdint>
#include <string_view>

// The Windows language id of the user's locale (LC_ALL, else LC_MESSAGES, else LANG).
std::uint16_t LanguageIdFromLocale();
// The same for one POSIX locale name such as "de_CH.UTF-8" or "sr_RS@latin".
std::uint16_t LanguageIdForLocaleName(std::string_view locale);
