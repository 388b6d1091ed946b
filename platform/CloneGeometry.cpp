#include "platform/CloneGeometry.h"

#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <utility>

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

bool Positive(QSize size) {
    return size.width() > 0 && size.height() > 0;
}

// The smallest size with the image's shape that covers the client in both directions.
QSize CoverSize(QSize image, QSize client) {
    const std::int64_t iw = image.width();
    const std::int64_t ih = image.height();
    const std::int64_t cw = client.width();
    const std::int64_t ch = client.height();
    if (iw * ch > ih * cw) {
        return {static_cast<int>(std::min<std::int64_t>((iw * ch + ih / 2) / ih, INT_MAX / 2)),
                client.height()};
    }
    return {client.width(),
            static_cast<int>(std::min<std::int64_t>((ih * cw + iw / 2) / iw, INT_MAX / 2))};
}

// The position of a proportion of a length scaled from `from` to `to`, rounded.
int Scaled(int value, int from, int to) {
    return static_cast<int>(
        RoundHalfEven(static_cast<long double>(value) * static_cast<long double>(to) / from));
}

constexpr std::array<std::pair<CloneMode, const char*>, 4> kModes = {{
    {CloneMode::Fit, "fit"},
    {CloneMode::Natural, "natural"},
    {CloneMode::Fill, "fill"},
    {CloneMode::Stretch, "stretch"},
}};

constexpr std::array<std::pair<ImageTurn, const char*>, 6> kTurns = {{
    {ImageTurn::None, "none"},
    {ImageTurn::FlipX, "flip-x"},
    {ImageTurn::FlipY, "flip-y"},
    {ImageTurn::Rotate90, "90"},
    {ImageTurn::Rotate180, "180"},
    {ImageTurn::Rotate270, "270"},
}};

template <typename Value, std::size_t N>
QString NameOf(const std::array<std::pair<Value, const char*>, N>& names, Value value) {
    for (const auto& [each, name] : names) {
        if (each == value) {
            return QString::fromLatin1(name);
        }
    }
    return {};
}

template <typename Value, std::size_t N>
std::optional<Value> ValueOf(const std::array<std::pair<Value, const char*>, N>& names,
                             const QString& name) {
    for (const auto& [each, text] : names) {
        if (name == QLatin1String(text)) {
            return each;
        }
    }
    return std::nullopt;
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

QRect ShownRect(const CloneCrop& crop, QSize window) {
    const QRect whole(QPoint(0, 0), window);
    if (crop.Whole() || !Positive(window)) {
        return whole;
    }
    QRect rect = crop.rect;
    if (Positive(crop.of) && crop.of != window) {
        const int left = Scaled(rect.x(), crop.of.width(), window.width());
        const int top = Scaled(rect.y(), crop.of.height(), window.height());
        const int right = Scaled(rect.x() + rect.width(), crop.of.width(), window.width());
        const int bottom = Scaled(rect.y() + rect.height(), crop.of.height(), window.height());
        rect = QRect(left, top, right - left, bottom - top);
    }
    const QRect shown = rect & whole;
    return shown.isEmpty() ? whole : shown;
}

QSize TurnedSize(QSize size, ImageTurn turn) {
    const bool quarter = turn == ImageTurn::Rotate90 || turn == ImageTurn::Rotate270;
    return quarter ? size.transposed() : size;
}

std::optional<QRect> ModeDestination(QSize image, QSize client, CloneMode mode) {
    if (!Positive(image) || !Positive(client)) {
        return std::nullopt;
    }
    QSize size = image;
    switch (mode) {
        case CloneMode::Fit: {
            int width = 0;
            int height = 0;
            FitThumbnailSize(image.width(), image.height(), client.width(), client.height(), width,
                             height);
            size = QSize(width, height);
            break;
        }
        case CloneMode::Fill:
            size = CoverSize(image, client);
            break;
        case CloneMode::Stretch:
            size = client;
            break;
        case CloneMode::Natural:
            break;
    }
    // C++ division truncates toward zero: the same inset on both sides.
    const int dx = (client.width() - size.width()) / 2;
    const int dy = (client.height() - size.height()) / 2;
    return QRect(QPoint(dx, dy), QPoint(client.width() - dx - 1, client.height() - dy - 1));
}

std::array<double, 6> DestinationToSource(const QRect& shown, ImageTurn turn, QSize destination) {
    const double x = shown.x();
    const double y = shown.y();
    const double w = shown.width();
    const double h = shown.height();
    const double across = std::max(destination.width(), 1);
    const double down = std::max(destination.height(), 1);
    switch (turn) {
        case ImageTurn::FlipX:
            return {-w / across, 0, x + w, 0, h / down, y};
        case ImageTurn::FlipY:
            return {w / across, 0, x, 0, -h / down, y + h};
        case ImageTurn::Rotate90:
            return {0, w / down, x, -h / across, 0, y + h};
        case ImageTurn::Rotate180:
            return {-w / across, 0, x + w, 0, -h / down, y + h};
        case ImageTurn::Rotate270:
            return {0, -w / down, x + w, h / across, 0, y};
        case ImageTurn::None:
            break;
    }
    return {w / across, 0, x, 0, h / down, y};
}

QRect DestinationBoxOf(const std::array<double, 6>& m, const QRect& onSource) {
    const double det = m[0] * m[4] - m[1] * m[3];
    if (det == 0) {
        return {};
    }
    double left = INFINITY;
    double top = INFINITY;
    double right = -INFINITY;
    double bottom = -INFINITY;
    for (const QPointF p :
         {QPointF(onSource.left(), onSource.top()),
          QPointF(onSource.x() + onSource.width(), onSource.top()),
          QPointF(onSource.left(), onSource.y() + onSource.height()),
          QPointF(onSource.x() + onSource.width(), onSource.y() + onSource.height())}) {
        const double x = p.x() - m[2];
        const double y = p.y() - m[5];
        const double u = (m[4] * x - m[1] * y) / det;
        const double v = (m[0] * y - m[3] * x) / det;
        left = std::min(left, u);
        top = std::min(top, v);
        right = std::max(right, u);
        bottom = std::max(bottom, v);
    }
    const auto clamp = [](double v) { return std::clamp(v, -32768.0, 32767.0); };
    const int x0 = static_cast<int>(std::floor(clamp(left)));
    const int y0 = static_cast<int>(std::floor(clamp(top)));
    const int x1 = static_cast<int>(std::ceil(clamp(right)));
    const int y1 = static_cast<int>(std::ceil(clamp(bottom)));
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

std::optional<QPointF> PlaceOnDestination(QPointF point, const QRect& shown, ImageTurn turn,
                                          const QRect& destination) {
    if (shown.isEmpty() || point.x() < shown.x() || point.y() < shown.y() ||
        point.x() >= shown.x() + shown.width() || point.y() >= shown.y() + shown.height()) {
        return std::nullopt;
    }
    // s, t: the point's place across and down the shown part; u, v: on the destination.
    const double s = (point.x() - shown.x()) / shown.width();
    const double t = (point.y() - shown.y()) / shown.height();
    double u = s;
    double v = t;
    switch (turn) {
        case ImageTurn::FlipX:
            u = 1 - s;
            break;
        case ImageTurn::FlipY:
            v = 1 - t;
            break;
        case ImageTurn::Rotate90:
            u = 1 - t;
            v = s;
            break;
        case ImageTurn::Rotate180:
            u = 1 - s;
            v = 1 - t;
            break;
        case ImageTurn::Rotate270:
            u = t;
            v = 1 - s;
            break;
        case ImageTurn::None:
            break;
    }
    return QPointF(destination.x() + u * destination.width(),
                   destination.y() + v * destination.height());
}

std::optional<QRect> CropFromDrag(QPoint from, QPoint to, const QRect& destination,
                                  const QRect& shown, ImageTurn turn) {
    if (destination.isEmpty() || shown.isEmpty()) {
        return std::nullopt;
    }
    const auto m = DestinationToSource(shown, turn, destination.size());
    const auto back = [&](QPoint p) {
        const double x = p.x() - destination.x();
        const double y = p.y() - destination.y();
        return QPointF(m[0] * x + m[1] * y + m[2], m[3] * x + m[4] * y + m[5]);
    };
    const QPointF a = back(from);
    const QPointF b = back(to);
    const QRect rect = QRect(QPoint(static_cast<int>(std::lround(std::min(a.x(), b.x()))),
                                    static_cast<int>(std::lround(std::min(a.y(), b.y())))),
                             QPoint(static_cast<int>(std::lround(std::max(a.x(), b.x()))),
                                    static_cast<int>(std::lround(std::max(a.y(), b.y())))) -
                                 QPoint(1, 1)) &
                       shown;
    return rect.isEmpty() ? std::nullopt : std::optional(rect);
}

QString ModeName(CloneMode mode) {
    return NameOf(kModes, mode);
}

std::optional<CloneMode> ModeFromName(const QString& name) {
    return ValueOf(kModes, name);
}

QString TurnName(ImageTurn turn) {
    return NameOf(kTurns, turn);
}

std::optional<ImageTurn> TurnFromName(const QString& name) {
    return ValueOf(kTurns, name);
}

std::optional<QRect> CropFromText(const QString& text) {
    static const QRegularExpression kForm(
        QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})\\+([0-9]{1,5})\\+([0-9]{1,5})$"));
    const QRegularExpressionMatch match = kForm.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QRect rect(match.captured(3).toInt(), match.captured(4).toInt(),
                     match.captured(1).toInt(), match.captured(2).toInt());
    return rect.isEmpty() ? std::nullopt : std::optional(rect);
}

QString CropText(const QRect& rect) {
    return QStringLiteral("%1x%2+%3+%4")
        .arg(rect.width())
        .arg(rect.height())
        .arg(rect.x())
        .arg(rect.y());
}
