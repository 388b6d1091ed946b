// A clone: a borderless black window covering one display, in which the compositor draws a
// live image of a source window, fitted to the display or at its natural size.
#pragma once

#include <QRect>
#include <QSize>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "platform/Compositor.h"
#include "platform/WindowList.h"

class DisplayList;
class QMenu;
class QRubberBand;
class SystemServices;

// What the clone's menu does, given by whoever keeps the clones' state. Without them the menu
// only switches the mode of the clone itself.
struct CloneMenuActions {
    std::function<void()> toggleKeep;
    std::function<void(CloneMode mode)> setMode;
    std::function<void(const CloneCrop& crop)> setCrop;
    std::function<void(ImageTurn turn)> setTurn;
    std::function<void()> close;
};

class TCloneForm : public QWidget {
    Q_OBJECT
  public:
    // A top-level window of its own; whoever makes it owns it and destroys it.
    TCloneForm(Compositor& compositor, DisplayList& displays, SystemServices& system);
    ~TCloneForm() override;

    // Covers display displayIndex and draws sourceWindow there; call it before the first
    // show so the window is mapped in place. False, and nothing started, when that display
    // does not exist (or has no area). A failed registration leaves a black clone.
    bool StartClone(WindowHandle sourceWindow, int displayIndex);
    // The clone's display moved or changed size (device pixels): cover it again.
    void FollowDisplay(const QRect& device);
    void CloseClone();
    // Where windows are placed by output only (Wayland): StartClone shows the clone full
    // screen on the display's named screen before the thumbnail attaches to it.
    void SetScreenPlacement(bool byScreen) { byScreen_ = byScreen; }

    bool AllowClose() const { return allowClose_; }
    bool HasThumbnail() const { return thumbnail_ != nullptr; }
    // The source's size in device pixels now; nothing without a thumbnail or a size.
    std::optional<QSize> SourceSize() const {
        return thumbnail_ ? thumbnail_->SourceSize() : std::nullopt;
    }
    WindowHandle SourceWindow() const { return sourceWindow_; }
    bool FitToWindow() const { return mode_ == CloneMode::Fit; }
    // Fits the image to the display, or shows it at its natural size, as a click switches.
    void SetFitToWindow(bool fit);
    CloneMode Mode() const { return mode_; }
    void SetMode(CloneMode mode);
    // The part of the window shown, and its turn (as far as the compositor can).
    const CloneCrop& Crop() const { return crop_; }
    void SetCrop(const CloneCrop& crop);
    ImageTurn Turn() const { return turn_; }
    void SetTurn(ImageTurn turn);
    // All three at once, placed once.
    void SetLook(CloneMode mode, const CloneCrop& crop, ImageTurn turn);
    // "Crop...": the next drag over the image with the left button chooses the part shown;
    // Escape or the right button cancels.
    void BeginCrop();
    bool Cropping() const { return cropping_; }
    // What a left click does instead of switching by itself: whoever keeps the clones'
    // state decides, and sets the mode back here.
    void SetClickAction(std::function<void()> action) { clickAction_ = std::move(action); }
    void SetMenuActions(CloneMenuActions actions) { menuActions_ = std::move(actions); }
    // Shown as the check mark of "Keep this clone".
    void SetKept(bool kept) { kept_ = kept; }
    bool Kept() const { return kept_; }
    // The menu of the right button and the context-menu key: "Keep this clone", the modes,
    // the crop, the turns, "Close". Its actions run once the menu has closed.
    std::unique_ptr<QMenu> MakeMenu();

    // The client size in device pixels, the unit of the thumbnail's destination rectangle.
    QSize ClientPixelSize() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void FormResize();
    void FormClick();
    bool FormCloseQuery() const;
    void FormClose();
    void UpdatePlacement();
    void PlaceOnDisplay(const QRect& device);
    void AddModes(QMenu& menu);
    void AddCrop(QMenu& menu);
    void AddTurns(QMenu& menu);
    void EndCrop();
    void HoldKeyboard(int triesLeft);
    static constexpr int kGrabTries = 20;
    static constexpr int kGrabRetryMs = 50;
    void FinishCrop(QPoint to);
    QPoint DevicePoint(QPointF logical) const;

    Compositor& compositor_;
    DisplayList& displays_;
    std::unique_ptr<Thumbnail> thumbnail_;
    std::function<void()> clickAction_;
    CloneMenuActions menuActions_;
    bool kept_ = false;
    WindowHandle sourceWindow_ = 0;
    bool allowClose_ = false;
    CloneMode mode_ = CloneMode::Fit;
    CloneCrop crop_;
    ImageTurn turn_ = ImageTurn::None;
    QRect shown_;        // the window's part shown, as last placed
    QRect destination_;  // where it was placed
    bool cropping_ = false;
    QPoint cropFrom_;  // device pixels of the client
    std::unique_ptr<QRubberBand> band_;
    bool byScreen_ = false;
};
