// Xorg with the dummy video driver: a server without a GPU whose monitors are real RandR
// outputs (DUMMY0, DUMMY1...), which window managers place windows by, and which are
// plugged in and out by turning an output on and off. The server reads its configuration
// from a folder of its own, named relative to its working directory, which Xorg also
// accepts from a user who is not root.
#pragma once

#include <QString>

#include <string>
#include <vector>

struct MonitorSpec;

// The configuration of a dummy screen that can grow to width x height.
std::string XorgDummyConfig(int width, int height);
// Xorg's arguments after the program's name, with the configuration and the log in the
// working directory.
std::vector<std::string> XorgDummyArgs(bool composite);
// The name of output index, and the xrandr commands that give it monitor's mode (made and
// added first, as the driver lists only a few sizes) and place it.
std::string DummyOutputName(std::size_t index);
std::vector<std::vector<std::string>> DummyModeCommands(const MonitorSpec& monitor,
                                                        const std::string& output);
std::vector<std::string> DummyPlaceCommand(const MonitorSpec& monitor, const std::string& output);
