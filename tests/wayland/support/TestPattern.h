// The picture the tests' video source sends: four quadrants of known colours inside the
// visible area (the crop), grey outside it, so a consumer that ignores the crop shows grey.
#pragma once

#include <QColor>
#include <QRect>

#include <cstdint>

inline const QColor kPatternTopLeft{255, 0, 0};
inline const QColor kPatternTopRight{0, 255, 0};
inline const QColor kPatternBottomLeft{0, 0, 255};
inline const QColor kPatternBottomRight{255, 255, 0};
inline const QColor kPatternOutside{128, 128, 128};

// Writes BGRx pixels; an empty crop means the whole picture.
void PaintTestPattern(std::uint8_t* pixels, int width, int height, int stride, QRect crop);
// The colour the pattern has at a point given as fractions (0..1) of the visible area.
QColor PatternColorAt(double fx, double fy);

// The pointer the source can send: a solid square whose hotspot is a few pixels inside it.
inline const QColor kPointerColour{255, 0, 255};
inline constexpr int kPointerSide = 16;
inline constexpr int kPointerHotspot = 4;

// The frame number the source writes into the X bytes of a frame's first four BGRx pixels,
// and reads it back: a consumer can tell whether a buffer was written again.
void WriteFrameMark(std::uint8_t* pixels, std::uint32_t number);
std::uint32_t ReadFrameMark(const std::uint8_t* pixels);
