#include "clone/CloneForm.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QResizeEvent>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "clone/ThumbnailFit.h"
#include "platform/DisplayList.h"
#include "platform/SystemServices.h"
#include "widgets/DeviceGeometry.h"
#include "widgets/ScreenPlacement.h"

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
    fitToWindow_ = true;
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
    const std::optional<QRect> destination =
        ThumbnailDestination(source.value_or(QSize(0, 0)), ClientPixelSize(), fitToWindow_);
    if (destination) {
        thumbnail_->Place(*destination, true);
    }
}

void TCloneForm::FormResize() {
    UpdatePlacement();
}

void TCloneForm::SetFitToWindow(bool fit) {
    if (fit != fitToWindow_) {
        fitToWindow_ = fit;
        UpdatePlacement();
    }
}

void TCloneForm::FormClick() {
    if (clickAction_) {
        clickAction_();
    } else {
        SetFitToWindow(!fitToWindow_);
    }
}

bool TCloneForm::FormCloseQuery() const {
    return allowClose_;
}

void TCloneForm::FormClose() {
    thumbnail_.reset();
}

void TCloneForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TCloneForm::mouseReleaseEvent(QMouseEvent* event) {
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
    for (const bool fit : {true, false}) {
        QAction* mode =
            menu->addAction(fit ? QStringLiteral("Fit") : QStringLiteral("Natural size"));
        mode->setCheckable(true);
        mode->setChecked(fitToWindow_ == fit);
        connect(mode, &QAction::triggered, this, [this, fit] {
            Later(this, [this, fit] {
                if (menuActions_.setFit) {
                    menuActions_.setFit(fit);
                } else {
                    SetFitToWindow(fit);
                }
            });
        });
    }
    menu->addSeparator();
    QAction* close = menu->addAction(QStringLiteral("Close"));
    close->setEnabled(static_cast<bool>(menuActions_.close));
    connect(close, &QAction::triggered, this, [this] { Later(this, menuActions_.close); });
    return menu;
}

void TCloneForm::contextMenuEvent(QContextMenuEvent* event) {
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
