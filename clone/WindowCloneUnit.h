// A clone: a borderless black window covering one display, in which the compositor draws a
// live image of a source window.
#pragma once

#include <QWidget>

#include "platform/Platform.h"

// The largest size with the source's aspect ratio that fits the client, rounded half to even.
void FitThumbnailSize(int sourceWidth, int sourceHeight, int clientWidth, int clientHeight,
                      int& width, int& height);

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

private:
    bool FAllowClose = false;
    ThumbnailHandle FThumbnail = 0;
    WindowHandle FSourceWindow = 0;
    bool FFitToWindow = false;
};
