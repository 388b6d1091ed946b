// A clone: a borderless black window covering one display, in which the compositor draws a
// live image of a source window, fitted to the display or at its natural size.
#pragma once

#include <QWidget>

#include <optional>

#include "platform/Platform.h"

// The largest size with the source's aspect ratio that fits the client, rounded half to even.
// Gives 0 x 0 when any of the four sizes is not positive (there is nothing to divide by).
void FitThumbnailSize(int sourceWidth, int sourceHeight, int clientWidth, int clientHeight,
                      int& width, int& height);

// The destination rectangle of a thumbnail in a client of the given size: the fitted or the
// natural size, centred with the same inset on both sides. Nothing when a size is zero.
std::optional<EdgeRect> ThumbnailDestination(PixelSize source, PixelSize client, bool fit);

class TCloneForm : public QWidget {
    Q_OBJECT
  public:
    // The owner destroys the clone at the latest when it is destroyed itself; the clone is a
    // top-level window of its own either way.
    explicit TCloneForm(QWidget* owner);
    ~TCloneForm() override;

    void StartClone(WindowHandle sourceWindow, int displayIndex);
    void CloseClone();

    bool AllowClose() const { return FAllowClose; }
    ThumbnailHandle Thumbnail() const { return FThumbnail; }
    WindowHandle SourceWindow() const { return FSourceWindow; }
    bool FitToWindow() const { return FFitToWindow; }

    // The client size in device pixels, the unit of the thumbnail's destination rectangle.
    PixelSize ClientPixelSize() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void FormResize();
    void FormClick();
    bool FormCloseQuery() const;
    void FormClose();
    void UpdatePlacement();
    void ReleaseThumbnail();
    void PlaceOnDisplay(const DisplayRect& rect);

    bool FAllowClose = false;
    ThumbnailHandle FThumbnail = 0;
    WindowHandle FSourceWindow = 0;
    bool FFitToWindow = false;
};
