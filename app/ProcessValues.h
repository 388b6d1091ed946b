// Values the whole process shares, each set once before the toolkit starts: the
// single-instance guard, whether another copy held it, and the user's language.
#pragma once

#include <cstdint>

// The program's title: the main window's caption, the tray tooltip and the message box caption.
inline constexpr char ApplicationTitle[] = "Quillane Vantrel";
// The name the single-instance guard is taken under.
inline constexpr char InstanceGuardName[] = "Vantrel";

// True when another copy of the program already held the guard.
extern bool AlreadyRunning;
// The guard's handle, held for the life of the process; 0 when it could not be made.
extern std::intptr_t InstanceMutex;
// The language id of the user's locale; every catalog lookup receives it.
extern std::int32_t LanguageId;

// Takes the single-instance guard, records whether it was already held, then reads the
// user's language, in that order, through the installed platform backend.
void InitializeProcessValues();
// Releases the guard (once); a new copy of the program can start afterwards.
void CloseInstanceMutex();
