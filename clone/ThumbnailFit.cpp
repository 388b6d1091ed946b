#include "clone/ThumbnailFit.h"

#include <climits>
#include <cmath>

namespace {

// Rounds to the nearest integer with halves to the even neighbour: nearbyint in the default
// rounding mode (to nearest). Out-of-range results are clamped, never undefined.
long long RoundHalfEven(long double value) {
    const long double r = std::nearbyint(value);
    if (r >= static_cast<long double>(INT_MAX)) {
        return INT_MAX;
    }
    if (r <= static_cast<long double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<long long>(r);
}

}  // namespace

void FitThumbnailSize(int sourceWidth, int sourceHeight, int clientWidth, int clientHeight,
                      int& width, int& height) {
    if (sourceWidth <= 0 || sourceHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) {
        width = 0;
        height = 0;
        return;
    }
    using Real = long double;  // 64-bit mantissa on x86-64
    // Each quotient is formed first, then multiplied, so the results round as specified.
    const long long t =
        RoundHalfEven((static_cast<Real>(clientWidth) / clientHeight) * sourceHeight);
    if (sourceWidth > t) {
        width = clientWidth;
        height = static_cast<int>(
            RoundHalfEven((static_cast<Real>(clientWidth) / sourceWidth) * sourceHeight));
    } else {
        width = static_cast<int>(
            RoundHalfEven((static_cast<Real>(clientHeight) / sourceHeight) * sourceWidth));
        height = clientHeight;
    }
}

std::optional<QRect> ThumbnailDestination(QSize source, QSize client, bool fit) {
    if (source.width() <= 0 || source.height() <= 0 || client.width() <= 0 ||
        client.height() <= 0) {
        return std::nullopt;
    }
    int width = source.width();
    int height = source.height();
    if (fit) {
        FitThumbnailSize(source.width(), source.height(), client.width(), client.height(), width,
                         height);
    }
    // C++ division truncates toward zero: the same inset on both sides.
    const int dx = (client.width() - width) / 2;
    const int dy = (client.height() - height) / 2;
    return QRect(QPoint(dx, dy), QPoint(client.width() - dx - 1, client.height() - dy - 1));
}
