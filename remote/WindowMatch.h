// Which listed window a command means, and whether a display number exists. Pure functions
// over the lists a running copy reports, so scripts get the same answer the tests check.
#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

#include "remote/RemoteTarget.h"

// Longer patterns are refused before any matching: no title needs more, and a huge one
// would only cost time and come back whole in the error.
inline constexpr qsizetype kMaxPatternLength = 4096;

struct WindowMatch {
    std::optional<WindowHandle> handle;
    QString error;  // why no single window was found; empty when handle is set
};

// The window a command names: an id as --list prints it (decimal, or hexadecimal with 0x)
// when a listed window has that id; otherwise a regular expression searched for in the
// titles. No match, more than one match, an invalid expression and a pattern longer than
// kMaxPatternLength are errors; the error for several matches lists them.
WindowMatch MatchWindow(const QString& pattern, const QList<RemoteWindow>& windows);

// Why the pattern is refused before matching (longer than kMaxPatternLength); nothing when
// it may be matched.
std::optional<QString> CheckPatternLength(const QString& pattern);

// A value the user gave, quoted for a message: whole when it is short, otherwise its
// first kQuotedLength characters in quotes followed by "..." and its length, as in
// "abc"... (5000 characters).
inline constexpr qsizetype kQuotedLength = 60;
QString QuoteValue(const QString& value);

struct KeptMatch {
    std::optional<int> index;  // RemoteKept::index
    QString error;
};

// The kept clone on display number `display` (or kept there, while that display is away)
// that the pattern names: the id of the window it shows, or a regular expression searched
// for in the title it was kept with and its window's title now. Errors as for MatchWindow.
KeptMatch MatchKept(const QString& pattern, int display, const RemoteState& state);

// Why the display number names no display; nothing when it does.
std::optional<QString> CheckDisplay(int number, const QList<RemoteDisplay>& displays);

// A window id as --list prints it: lowercase hexadecimal with 0x.
QString FormatWindowId(WindowHandle handle);
