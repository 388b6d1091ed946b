#include "monitors/MonitorNumUnit.h"

#include <QLabel>
#include <QVBoxLayout>

#include "monitors/DeviceGeometry.h"
#include "platform/ImportUnit.h"

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

TMonitorNumForm::TMonitorNumForm() : QWidget(nullptr) {
    setObjectName(QStringLiteral("MonitorNumForm"));
    setWindowTitle(QStringLiteral("Monitor Number"));
    setPalette(OverlayPalette(palette()));
    setAutoFillBackground(true);
    resize(kDesignedWidth, kDesignedHeight);

    FMonitorNumLabel = new QLabel(QStringLiteral("1"), this);
    FMonitorNumLabel->setObjectName(QStringLiteral("MonitorNumLabel"));
    FMonitorNumLabel->setTextFormat(Qt::PlainText);
    FMonitorNumLabel->setAlignment(Qt::AlignCenter);
    FMonitorNumLabel->setFont(NumberFont());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FMonitorNumLabel);

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
    FMonitorNumLabel->setText(number);

    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    GetMonitorInfo(displayIndex, &left, &top, &width, &height);
    setGeometry(LogicalFromDeviceRect(QRect(left, top, width, height), CurrentScreenScales()));
}
