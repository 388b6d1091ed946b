#include "tests/wayland/support/TestPattern.h"

QColor PatternColorAt(double fx, double fy) {
    if (fy < 0.5) {
        return fx < 0.5 ? kPatternTopLeft : kPatternTopRight;
    }
    return fx < 0.5 ? kPatternBottomLeft : kPatternBottomRight;
}

void PaintTestPattern(std::uint8_t* pixels, int width, int height, int stride, QRect crop) {
    const QRect visible = crop.isEmpty() ? QRect(0, 0, width, height) : crop;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            QColor color = kPatternOutside;
            if (visible.contains(x, y)) {
                color = PatternColorAt((x - visible.x() + 0.5) / visible.width(),
                                       (y - visible.y() + 0.5) / visible.height());
            }
            row[x * 4 + 0] = static_cast<std::uint8_t>(color.blue());
            row[x * 4 + 1] = static_cast<std::uint8_t>(color.green());
            row[x * 4 + 2] = static_cast<std::uint8_t>(color.red());
            row[x * 4 + 3] = 255;
        }
    }
}

void WriteFrameMark(std::uint8_t* pixels, std::uint32_t number) {
    for (int byte = 0; byte < 4; ++byte) {
        pixels[byte * 4 + 3] = static_cast<std::uint8_t>(number >> (byte * 8));
    }
}

std::uint32_t ReadFrameMark(const std::uint8_t* pixels) {
    std::uint32_t number = 0;
    for (int byte = 0; byte < 4; ++byte) {
        number |= static_cast<std::uint32_t>(pixels[byte * 4 + 3]) << (byte * 8);
    }
    return number;
}
