// The geometry of a clone's image, in one place for the forms and every backend: which
// rectangle of the source window is shown (its crop, following the window's size), how it
// is turned, where it goes on the display in each mode, how a point of the display maps
// back to the source, and where the source's pointer appears on the display.
#pragma once

#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>
#include <optional>

// How the image fills the display. Fit: as large as fits, its shape kept. Natural: one
// source pixel a device pixel. Fill: covers the display, its shape kept, the overflow cut
// evenly on both sides. Stretch: covers the display exactly, each axis scaled on its own.
enum class CloneMode { Fit, Natural, Fill, Stretch };

// How the image is turned: no turn, mirrored left to right or top to bottom, or rotated
// clockwise by 90, 180 or 270 degrees. One of the six at a time; a mirror and a rotation
// are not combined.
enum class ImageTurn { None, FlipX, FlipY, Rotate90, Rotate180, Rotate270 };

// A clone's crop: a rectangle of the window's client area, in its pixels, as chosen while
// the window had size `of`. An empty rect shows the whole window.
struct CloneCrop {
    QRect rect{};
    QSize of{};
    bool Whole() const { return rect.isEmpty(); }
    friend bool operator==(const CloneCrop&, const CloneCrop&) = default;
};

// The largest size with the source's aspect ratio that fits the client, rounded half to even.
// Gives 0 x 0 when any of the four sizes is not positive (there is nothing to divide by).
void FitThumbnailSize(int sourceWidth, int sourceHeight, int clientWidth, int clientHeight,
                      int& width, int& height);

// The part of a window of the given size that the crop shows now. The crop keeps its
// proportion to the window when the window changes size (scaled by the same factors), then
// is clamped to the window; a crop left with no area, or none, shows the whole window.
QRect ShownRect(const CloneCrop& crop, QSize window);

// The size of an image of the given size once turned: width and height swap for 90 and 270.
QSize TurnedSize(QSize size, ImageTurn turn);

// Where an image of the given size goes in a client of the given size (device pixels) in
// each mode, centred with the same inset on both sides (negative, and so cut by the client,
// when larger). Nothing when a size is not positive.
std::optional<QRect> ModeDestination(QSize image, QSize client, CloneMode mode);

// The affine map from a point of a destination of the given size (relative to its top-left
// corner) to the window's pixels: x' = m[0]x + m[1]y + m[2], y' = m[3]x + m[4]y + m[5]. It
// shows `shown` turned by turn across the whole destination.
std::array<double, 6> DestinationToSource(const QRect& shown, ImageTurn turn, QSize destination);

// Where a point of the window (client pixels) appears on the display when shown is drawn
// turned into destination; nothing when the point is outside shown.
std::optional<QPointF> PlaceOnDestination(QPointF point, const QRect& shown, ImageTurn turn,
                                          const QRect& destination);

// The pixels of a destination (from its corner) that show the given pixels of the window,
// where m maps the destination's points to the window's (DestinationToSource): the box
// around the rectangle's image, with every pixel it touches. Empty when m has no inverse.
QRect DestinationBoxOf(const std::array<double, 6>& m, const QRect& onSource);

// The crop a drag over the display chooses: the rectangle between two points of the client
// (device pixels) taken back through the image drawn turned into destination, within shown,
// in the window's pixels. Nothing when it covers no whole pixel of the window.
std::optional<QRect> CropFromDrag(QPoint from, QPoint to, const QRect& destination,
                                  const QRect& shown, ImageTurn turn);

// The names used by the commands, the listing and the kept clones' file, and back; nothing
// for an unknown name.
QString ModeName(CloneMode mode);
std::optional<CloneMode> ModeFromName(const QString& name);
QString TurnName(ImageTurn turn);
std::optional<ImageTurn> TurnFromName(const QString& name);
// WxH+X+Y with W and H from 1 up and X and Y from 0 up; nothing for anything else.
std::optional<QRect> CropFromText(const QString& text);
QString CropText(const QRect& rect);
