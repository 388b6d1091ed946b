// The commands a script can give the running copy, and how the running copy carries one out
// on its RemoteTarget. Shared by the D-Bus service and the local socket.
#pragma once

#include <QString>

#include <optional>

#include "remote/RemoteTarget.h"

enum class RemoteCommand { List, Clone, Release, Identify, Show, Hide, Quit, SetPointer, Forget };

struct RemoteRequest {
    RemoteCommand command = RemoteCommand::Show;
    QString window;        // Clone, Release, Forget: an id from --list or a title pattern
    int display = 0;       // Clone, Release, Forget: the display's number
    bool natural = false;  // Clone: natural size instead of fit
    bool keep = false;     // Clone: keep the clone
    bool pointer = true;   // SetPointer: show the pointer on the clones
    RemoteLook look;       // Clone: its mode, crop and turn
};

// Reads a look from its three texts (empty: not given): fit|natural|fill|stretch, WxH+X+Y,
// none|flip-x|flip-y|90|180|270. The reason, for the user, when one is not valid.
QString ReadLook(const QString& mode, const QString& crop, const QString& turn, RemoteLook& look);
// The three texts of a look, empty for what is not set.
QString LookModeText(const RemoteLook& look);
QString LookCropText(const RemoteLook& look);
QString LookTurnText(const RemoteLook& look);

// A request of the command with the other fields at their defaults.
RemoteRequest MakeRequest(RemoteCommand command, const QString& window = {}, int display = 0);

// The command's name on the D-Bus interface and in the local socket's messages.
QString CommandName(RemoteCommand command);
// The command of a name; nothing for an unknown name.
std::optional<RemoteCommand> CommandFromName(const QString& name);

// Carries out one request on the target, Quit excepted (the caller ends the program once the
// answer is out). Clone and Release resolve the window and check the display first; a clone
// that is already open, or a release of one that is not, is done without touching the target.
// A target with a Refusal() fails every request with it.
Outcome Dispatch(RemoteTarget& target, const RemoteRequest& request);

// The listing --list prints, one line each, fields separated by tabs, every line ending in
// a line feed:
//   window<TAB>ID<TAB>DISPLAYS<TAB>TITLE    ID as 0x hexadecimal, DISPLAYS the numbers of the
//                                           displays with a clone of it, comma-separated, or
//                                           "-" for none; tabs and line breaks in the title
//                                           become spaces
//   display<TAB>NUMBER<TAB>NAME<TAB>WxH+X+Y  X and Y signed desktop coordinates
//   kept<TAB>DISPLAY<TAB>TITLE<TAB>MODE     a kept clone not shown now: its display's number,
//                                           or its name while it is away; the title it was
//                                           kept with; fit or natural
//   clone<TAB>ID<TAB>DISPLAY<TAB>MODE<TAB>CROP<TAB>TURN
//                                           an open clone: fit, natural, fill or stretch;
//                                           WxH+X+Y in the window's pixels or "-" for the
//                                           whole window; none, flip-x, flip-y, 90, 180, 270
// A kept line ends with the clone's CROP and TURN too. Windows come first, in the main
// window's order, then the displays by number, then the open clones, then the kept clones.
// In DISPLAYS, a kept clone's number carries a "k" (for example "1k,2").
QString FormatListing(const RemoteState& state);
