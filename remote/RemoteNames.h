// Where scripts find the running copy: its D-Bus names on the session bus, and on Windows
// the local socket of the user.
#pragma once

inline constexpr char kRemoteServiceName[] = "io.github.quillane.Vantrel";
inline constexpr char kRemoteObjectPath[] = "/io/github/quillane/Vantrel";
inline constexpr char kRemoteInterface[] = "io.github.quillane.Vantrel1";
// The error a failed command answers with; its message says why.
inline constexpr char kRemoteFailedError[] = "io.github.quillane.Vantrel1.Error.Failed";
