// On Windows a frameless top-level window owned by the application gets no taskbar button
// of its own from the toolkit, so the clone needs no extra hint there.
#include "clone/CloneWindowHints.h"

void ExcludeFromTaskbar(QWidget* /*window*/) {}
