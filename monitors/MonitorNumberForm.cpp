#include "monitors/MonitorNumberForm.h"

#include <QLabel>
#include <QVBoxLayout>

#include "platform/DisplayList.h"
#include "widgets/DeviceGeometry.h"
#include "widgets/ScreenPlacement.h"

namespace {

constexpr int kDesignedWidth = 653;
constexpr int kDesignedHeight = 550;
// Character height of the digits in pixels at 96 pixels per inch; Qt's logical pixels
// already follow the screen's scale.
constexpr int kDigitPixelHeight = 85;

QFont NumberFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kDigitPixelHeight);
    font.setBold(true);
    // Every attribute is the label's own, so a change of the window's font never reaches it.
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

// Opaque button-face background with window-text digits.
QPalette OverlayPalette(QPalette palette) {
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    return palette;
}

}  // namespace

TMonitorNumForm::TMonitorNumForm(DisplayList& displays) : QWidget(nullptr), displays_(displays) {
    setObjectName(QStringLiteral("MonitorNumForm"));
    setWindowTitle(QStringLiteral("Monitor Number"));
    setPalette(OverlayPalette(palette()));
    setAutoFillBackground(true);
    resize(kDesignedWidth, kDesignedHeight);

    monitorNumLabel_ = new QLabel(QStringLiteral("1"), this);
    monitorNumLabel_->setObjectName(QStringLiteral("MonitorNumLabel"));
    monitorNumLabel_->setTextFormat(Qt::PlainText);
    monitorNumLabel_->setAlignment(Qt::AlignCenter);
    monitorNumLabel_->setFont(NumberFont());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(monitorNumLabel_);

    FormCreate();
}

void TMonitorNumForm::FormCreate() {
    // A tool window: no taskbar entry and no place in the window switcher; on top of the
    // clones and every ordinary window; without a frame, so the outer bounds are the client.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    // Showing the overlays must not take the keyboard from the main window, which stays in
    // use while they are up.
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void TMonitorNumForm::PlaceOnMonitor(int displayIndex) {
    const QString number = QString::number(static_cast<qint64>(displayIndex) + 1);
    setWindowTitle(QStringLiteral("Monitor ") + number);
    monitorNumLabel_->setText(number);
    // Read out by a screen reader instead of the bare digit.
    setAccessibleName(QStringLiteral("Display ") + number);
    monitorNumLabel_->setAccessibleName(QStringLiteral("Display ") + number);

    const std::vector<DisplayInfo> current = displays_.Displays();
    DisplayInfo display{QRect(0, 0, 0, 0), QString()};
    if (displayIndex >= 0 && displayIndex < static_cast<int>(current.size())) {
        display = current[static_cast<std::size_t>(displayIndex)];
    }
    if (byScreen_) {
        PlaceFullScreenOnNamedScreen(*this, display.name, false);
        return;
    }
    setGeometry(LogicalFromDeviceRect(display.rect, CurrentScreenScales()));
}
