// Where the platform cannot list or read other programs' windows on its own (Wayland), the
// user chooses windows in the desktop's own picker. A Platform that works this way also
// implements WindowPickerProvider; the forms find it with dynamic_cast and, when
// CanChoose() is true, show a "Choose Window..." button beside the bottom buttons.
#pragma once

#include <QObject>
#include <QSize>
#include <QString>

#include "platform/WindowList.h"

class WindowPicker : public QObject {
    Q_OBJECT
  public:
    ~WindowPicker() override = default;
    // Whether the main window offers "Choose Window..." (no window list on this desktop).
    virtual bool CanChoose() const = 0;
    // Opens the desktop's picker; the answer arrives later as WindowChosen or ChoiceFailed.
    virtual void Choose() = 0;
    // Windows here can only be placed by output: a clone must be shown with
    // QWindow::setScreen() and showFullScreen() instead of a geometry.
    virtual bool ClonesNeedScreen() const = 0;
    // The next capture of window starts with this restore token instead of asking the user
    // (the token a kept clone saved for its window in an earlier run).
    virtual void UseRestoreToken(WindowHandle /*window*/, const QString& /*token*/) {}

  signals:
    // A chosen window is now in the window list (the next snapshot has it).
    void WindowChosen(WindowHandle window);
    // A window's capture ended (the window closed): the next snapshot lacks it.
    void WindowGone(WindowHandle window);
    // The picker or the capture failed; message is one line for the user.
    void ChoiceFailed(const QString& message);
    // The source's size changed (known first when its first frame arrives): a clone
    // that fitted the old size should place its thumbnail again.
    void SourceResized(WindowHandle window, QSize size);
    // The capture of window started and gave a token that restores it without asking at
    // the next start; each token works once, so the newest replaces the others.
    void RestoreTokenChanged(WindowHandle window, const QString& token);
};

class WindowPickerProvider {
  public:
    virtual ~WindowPickerProvider() = default;
    virtual WindowPicker& Picker() = 0;
};
