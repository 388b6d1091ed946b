// Where the desktop lets the user choose windows in its own picker (Wayland): the picker,
// its "Choose Window..." command, and its notifications routed to the main window.
#pragma once

class Platform;
class QWidget;
class TMainForm;
class WindowPicker;

// The platform's picker, or null where windows are listed without one.
WindowPicker* FindWindowPicker(Platform& platform);
// Whether clones are placed by output (full screen on a named screen) instead of geometry.
bool ClonesNeedScreen(Platform& platform);
// A failed choice is told to the user in a message box that does not block the list; one
// such box at a time, a later failure replaces its text.
// (Clones re-fit through their thumbnails' OnSourceResized, as on every platform.)
void ConnectWindowPicker(TMainForm& form, WindowPicker& picker);
// While the box of a failed choice is open, "Choose Window..." brings it to the front
// instead of trying again: true when there was one.
bool RaiseChoiceFailedMessage(TMainForm& form);
// "Choose Window..." sits right of "Hide in System Tray", as high, at least 122 pixels
// wide and wider when its (translated) text needs it.
void PlaceChooseWindowButton(QWidget& button, const QWidget& hideButton);
