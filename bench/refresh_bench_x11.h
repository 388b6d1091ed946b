// The idle refresh against real X windows on a private Xvfb.
#pragma once

// Starts an Xvfb and runs this program again on it with the argument below; returns its
// exit code.
int RunRefreshBenchOnXvfb(const char* self);

// The argument that makes the program measure the X11 refresh on $DISPLAY.
inline constexpr const char* kRefreshBenchX11Argument = "--x11";

// Measures the refresh of the X11 backend on $DISPLAY; prints the figures.
int RunX11RefreshBench(int argc, char** argv);
