// Where the installer records the installation folder: the system-scope settings of
// "Quillane" / "Vantrel", key InstallPath (the registry on Windows, an ini file elsewhere).
#pragma once

#include <QString>

// The recorded installation folder; empty when the value is absent or empty.
QString ReadInstallPathSetting();
