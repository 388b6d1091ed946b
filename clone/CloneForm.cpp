#include "clone/CloneForm.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QResizeEvent>
#include <QRubberBand>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <functional>
#include <type_traits>
#include <utility>

#include "clone/ThumbnailFit.h"
#include "platform/DisplayList.h"
#include "platform/SystemServices.h"
#include "widgets/DeviceGeometry.h"
#include "widgets/ScreenPlacement.h"

namespace {

// A choice from the menu goes through the owner's action when there is one (the clone set,
// which then sets the clone), else straight to the clone.
template <typename Value, typename Direct>
void ChooseThrough(const std::function<void(Value)>& action, Direct direct,
                   const std::remove_cvref_t<Value>& value) {
    if (action) {
        action(value);
    } else {
        direct(value);
    }
}

}  // namespace

TCloneForm::TCloneForm(Compositor& compositor, DisplayList& displays, SystemServices& system)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      compositor_(compositor),
      displays_(displays) {
    setObjectName(QStringLiteral("CloneForm"));
    // A clone is only looked at: it never takes the keyboard focus and is never activated,
    // so the main window keeps the focus while clones come and go.
    setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Window Clone"));
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    setFont(font);
    resize(832, 749);
    // The native window exists from here on (the thumbnail's destination), still unmapped.
    system.PrepareCloneWindow(static_cast<WindowHandle>(winId()));
}

TCloneForm::~TCloneForm() = default;

QSize TCloneForm::ClientPixelSize() const {
    const qreal ratio = devicePixelRatioF();
    return {static_cast<int>(std::lround(width() * ratio)),
            static_cast<int>(std::lround(height() * ratio))};
}

bool TCloneForm::StartClone(WindowHandle sourceWindow, int displayIndex) {
    const std::vector<DisplayInfo> displays = displays_.Displays();
    if (displayIndex < 0 || displayIndex >= static_cast<int>(displays.size()) ||
        displays[static_cast<std::size_t>(displayIndex)].rect.isEmpty()) {
        return false;
    }
    // A restarted clone gives its previous image back first, so nothing is left registered.
    thumbnail_.reset();
    allowClose_ = false;
    sourceWindow_ = sourceWindow;
    mode_ = CloneMode::Fit;
    crop_ = {};
    turn_ = ImageTurn::None;
    // On its display before the image is fitted, so the first placement is already the
    // final one and a clone started before it is shown is mapped where it belongs. Placed by
    // output, it is shown full screen there before the thumbnail, whose image attaches to
    // the clone as it maps.
    const DisplayInfo& display = displays[static_cast<std::size_t>(displayIndex)];
    if (byScreen_) {
        PlaceFullScreenOnNamedScreen(*this, display.name, true);
    } else {
        PlaceOnDisplay(display.rect);
    }
    thumbnail_ = compositor_.CreateThumbnail(static_cast<WindowHandle>(winId()), sourceWindow_);
    if (thumbnail_) {
        // A source that changes shape is fitted (or centred) again.
        thumbnail_->OnSourceResized([this] { UpdatePlacement(); });
    }
    UpdatePlacement();
    return true;
}

void TCloneForm::FollowDisplay(const QRect& device) {
    // A clone placed by output stays full screen on its screen whatever its size.
    if (!device.isEmpty() && !byScreen_) {
        PlaceOnDisplay(device);
    }
}

void TCloneForm::PlaceOnDisplay(const QRect& device) {
    // Outside every screen: the application's ratio, around the virtual desktop's origin.
    const qreal fallbackRatio = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
    const QRect bounds = LogicalFromDeviceRect(device, CurrentScreenScales(), fallbackRatio);
    if (geometry() == bounds) {
        return;
    }
    // One operation; when the size changes, the resize event fits the image to the display.
    setGeometry(bounds);
    // A hidden window gets its resize event only when shown: fit the image now.
    if (!isVisible()) {
        UpdatePlacement();
    }
}

void TCloneForm::CloseClone() {
    allowClose_ = true;
    close();
}

void TCloneForm::UpdatePlacement() {
    if (!thumbnail_) {
        return;
    }
    // A failed query or a collapsed window has no fit: the last placement stays.
    const std::optional<QSize> source = thumbnail_->SourceSize();
    const QRect shown = ShownRect(crop_, source.value_or(QSize(0, 0)));
    const std::optional<QRect> destination =
        ModeDestination(TurnedSize(shown.size(), turn_), ClientPixelSize(), mode_);
    if (destination) {
        // Where the compositor cannot, the whole window is shown unturned instead.
        const bool set = thumbnail_->SetSource(crop_.Whole() ? QRect() : shown, turn_);
        shown_ = set ? shown : QRect(QPoint(0, 0), *source);
        destination_ =
            set ? *destination : *ModeDestination(shown_.size(), ClientPixelSize(), mode_);
        thumbnail_->Place(destination_, true);
    }
}

void TCloneForm::FormResize() {
    UpdatePlacement();
}

void TCloneForm::SetFitToWindow(bool fit) {
    SetMode(fit ? CloneMode::Fit : CloneMode::Natural);
}

void TCloneForm::SetLook(CloneMode mode, const CloneCrop& crop, ImageTurn turn) {
    if (mode != mode_ || !(crop == crop_) || turn != turn_) {
        mode_ = mode;
        crop_ = crop;
        turn_ = turn;
        UpdatePlacement();
    }
}

void TCloneForm::SetMode(CloneMode mode) {
    SetLook(mode, crop_, turn_);
}

void TCloneForm::SetCrop(const CloneCrop& crop) {
    SetLook(mode_, crop, turn_);
}

void TCloneForm::SetTurn(ImageTurn turn) {
    SetLook(mode_, crop_, turn);
}

void TCloneForm::FormClick() {
    if (clickAction_) {
        clickAction_();
    } else {
        SetFitToWindow(!FitToWindow());
    }
}

bool TCloneForm::FormCloseQuery() const {
    return allowClose_;
}

void TCloneForm::FormClose() {
    if (cropping_) {
        EndCrop();
    }
    thumbnail_.reset();
}

void TCloneForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TCloneForm::mouseReleaseEvent(QMouseEvent* event) {
    if (cropping_) {
        if (event->button() == Qt::LeftButton && band_ != nullptr) {
            FinishCrop(DevicePoint(event->position()));
        } else if (event->button() != Qt::LeftButton) {
            EndCrop();
        }
        return;
    }
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        FormClick();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

namespace {

// Runs action from the event loop, after the menu has gone: it may close the clone.
void Later(QWidget* clone, std::function<void()> action) {
    QTimer::singleShot(0, qApp, [guard = QPointer<QWidget>(clone), action = std::move(action)] {
        if (guard != nullptr && action) {
            action();
        }
    });
}

}  // namespace

std::unique_ptr<QMenu> TCloneForm::MakeMenu() {
    auto menu = std::make_unique<QMenu>();
    menu->setObjectName(QStringLiteral("CloneMenu"));
    QAction* keep = menu->addAction(QStringLiteral("Keep this clone"));
    keep->setCheckable(true);
    keep->setChecked(kept_);
    keep->setEnabled(static_cast<bool>(menuActions_.toggleKeep));
    connect(keep, &QAction::triggered, this, [this] { Later(this, menuActions_.toggleKeep); });
    menu->addSeparator();
    AddModes(*menu);
    menu->addSeparator();
    AddCrop(*menu);
    menu->addSeparator();
    AddTurns(*menu);
    menu->addSeparator();
    QAction* close = menu->addAction(QStringLiteral("Close"));
    close->setEnabled(static_cast<bool>(menuActions_.close));
    connect(close, &QAction::triggered, this, [this] { Later(this, menuActions_.close); });
    return menu;
}

void TCloneForm::AddModes(QMenu& menu) {
    const std::pair<CloneMode, const char*> modes[] = {{CloneMode::Fit, "Fit"},
                                                       {CloneMode::Natural, "Natural size"},
                                                       {CloneMode::Fill, "Fill"},
                                                       {CloneMode::Stretch, "Stretch"}};
    for (const auto& [mode, text] : modes) {
        QAction* action = menu.addAction(QString::fromLatin1(text));
        action->setCheckable(true);
        action->setChecked(mode_ == mode);
        connect(action, &QAction::triggered, this, [this, mode] {
            Later(this, [this, mode] {
                ChooseThrough(
                    menuActions_.setMode, [this](const auto& v) { SetMode(v); }, mode);
            });
        });
    }
}

void TCloneForm::AddCrop(QMenu& menu) {
    const bool can = compositor_.CanCrop() && thumbnail_ != nullptr;
    QAction* crop = menu.addAction(QStringLiteral("Crop..."));
    crop->setEnabled(can);
    connect(crop, &QAction::triggered, this, [this] { Later(this, [this] { BeginCrop(); }); });
    QAction* whole = menu.addAction(QStringLiteral("Show Whole Window"));
    whole->setEnabled(can && !crop_.Whole());
    connect(whole, &QAction::triggered, this, [this] {
        Later(this, [this] {
            ChooseThrough(menuActions_.setCrop, [this](const auto& v) { SetCrop(v); }, {});
        });
    });
}

void TCloneForm::AddTurns(QMenu& menu) {
    const std::pair<ImageTurn, const char*> turns[] = {
        {ImageTurn::None, "No Turn"},
        {ImageTurn::FlipX, "Mirror Left to Right"},
        {ImageTurn::FlipY, "Mirror Top to Bottom"},
        {ImageTurn::Rotate90, "Rotate 90\u00b0 Clockwise"},
        {ImageTurn::Rotate180, "Rotate 180\u00b0"},
        {ImageTurn::Rotate270, "Rotate 90\u00b0 Counterclockwise"}};
    const bool can = compositor_.CanTransform();
    for (const auto& [turn, text] : turns) {
        QAction* action = menu.addAction(QString::fromUtf8(text));
        action->setCheckable(true);
        action->setChecked(turn_ == turn);
        // Without the means to turn, only "No Turn" stays, and it says why the others do not.
        action->setEnabled(can || turn == ImageTurn::None);
        if (!can) {
            action->setToolTip(compositor_.CannotTransformReason());
        }
        connect(action, &QAction::triggered, this, [this, turn] {
            Later(this, [this, turn] {
                ChooseThrough(
                    menuActions_.setTurn, [this](const auto& v) { SetTurn(v); }, turn);
            });
        });
    }
    menu.setToolTipsVisible(!can);
}

QPoint TCloneForm::DevicePoint(QPointF logical) const {
    const qreal ratio = devicePixelRatioF();
    return {static_cast<int>(std::lround(logical.x() * ratio)),
            static_cast<int>(std::lround(logical.y() * ratio))};
}

void TCloneForm::BeginCrop() {
    if (thumbnail_ == nullptr || cropping_) {
        return;
    }
    cropping_ = true;
    setCursor(Qt::CrossCursor);
    // The clone takes no focus: Escape reaches it through the grab.
    HoldKeyboard(kGrabTries);
    grabMouse();
}

// Another client's grab (a popup closing, a hot-key daemon) can refuse ours for a moment, and
// without it Escape would not reach the clone: try again for a while.
void TCloneForm::HoldKeyboard(int triesLeft) {
    grabKeyboard();
    QWindow* window = windowHandle();
    if (!cropping_ || window == nullptr || window->setKeyboardGrabEnabled(true) || triesLeft <= 0) {
        return;
    }
    QTimer::singleShot(kGrabRetryMs, this, [this, triesLeft] {
        if (cropping_) {
            HoldKeyboard(triesLeft - 1);
        }
    });
}

void TCloneForm::EndCrop() {
    cropping_ = false;
    band_.reset();
    releaseMouse();
    releaseKeyboard();
    unsetCursor();
}

void TCloneForm::FinishCrop(QPoint to) {
    const std::optional<QRect> chosen = CropFromDrag(cropFrom_, to, destination_, shown_, turn_);
    const std::optional<QSize> window = thumbnail_ ? thumbnail_->SourceSize() : std::nullopt;
    EndCrop();
    if (!chosen || !window) {
        return;  // a click, or a drag beside the image: nothing chosen
    }
    const CloneCrop crop{*chosen, *window};
    ChooseThrough(
        menuActions_.setCrop, [this](const auto& v) { SetCrop(v); }, crop);
}

void TCloneForm::mousePressEvent(QMouseEvent* event) {
    if (!cropping_ || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    cropFrom_ = DevicePoint(event->position());
    // A window of its own: the thumbnail's image covers the clone's own painting.
    band_ = std::make_unique<QRubberBand>(QRubberBand::Rectangle);
    band_->setGeometry(QRect(event->globalPosition().toPoint(), QSize(1, 1)));
    band_->show();
}

void TCloneForm::mouseMoveEvent(QMouseEvent* event) {
    if (cropping_ && band_ != nullptr) {
        band_->setGeometry(
            QRect(mapToGlobal(cropFrom_ / devicePixelRatioF()), event->globalPosition().toPoint())
                .normalized());
    }
    QWidget::mouseMoveEvent(event);
}

void TCloneForm::keyPressEvent(QKeyEvent* event) {
    if (cropping_ && event->key() == Qt::Key_Escape) {
        EndCrop();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TCloneForm::contextMenuEvent(QContextMenuEvent* event) {
    if (cropping_) {
        EndCrop();
        return;
    }
    const std::unique_ptr<QMenu> menu = MakeMenu();
    menu->exec(event->globalPos());
}

void TCloneForm::closeEvent(QCloseEvent* event) {
    // Only CloseClone closes a clone; every other request (the window manager's close
    // message, Alt+F4) is refused and the clone stays.
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    FormClose();
}
