// A picture of a whole X screen, as the server shows it, for the demonstration's screenshot.
#pragma once

#include <QImage>

#include <optional>
#include <string>

// Connects to the X display (DISPLAY when empty), reads the root window of its default
// screen and returns it as an RGB32 image of the screen's size. Nothing, with the reason in
// error, when the display cannot be opened or the screen's pixel format is not 24-bit
// TrueColor in 32-bit pixels.
std::optional<QImage> GrabScreen(const std::string& display, std::string* error);
