// The desktop's interface font as a logical-font record, taken from the Qt platform theme
// (which reads the desktop's settings, e.g. through fontconfig or the XSETTINGS of GNOME/KDE).
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "platform/x11/X11System.h"

namespace {

constexpr std::uint8_t kDefaultCharSet = 1;
constexpr std::uint8_t kFixedPitch = 1;
constexpr std::uint8_t kVariablePitch = 2;
constexpr std::uint8_t kFamilyRoman = 0x10;
constexpr std::uint8_t kFamilySwiss = 0x20;
constexpr std::uint8_t kFamilyModern = 0x30;
constexpr std::uint8_t kFamilyScript = 0x40;
constexpr std::uint8_t kFamilyDecorative = 0x50;
constexpr qreal kPointsPerInch = 72.0;
constexpr qreal kFallbackDpi = 96.0;

bool HaveGuiApplication() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

qreal LogicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : kFallbackDpi;
}

std::uint8_t FamilyBits(QFont::StyleHint hint) {
    switch (hint) {
        case QFont::Serif:
            return kFamilyRoman;
        case QFont::SansSerif:
            return kFamilySwiss;
        case QFont::Monospace:
        case QFont::TypeWriter:
            return kFamilyModern;
        case QFont::Cursive:
            return kFamilyScript;
        case QFont::Decorative:
        case QFont::Fantasy:
            return kFamilyDecorative;
        default:
            return 0;
    }
}

// Qt 6 weights already use the 100..900 scale of LOGFONT (Normal 400, Bold 700).
LogicalFont ToLogicalFont(const QFont& font, qreal dpi) {
    LogicalFont record;
    int pixels = font.pixelSize();
    if (pixels <= 0 && font.pointSizeF() > 0) {
        pixels = static_cast<int>(std::lround(font.pointSizeF() * dpi / kPointsPerInch));
    }
    record.height = -std::max(pixels, 1);
    record.weight = std::clamp(static_cast<int>(font.weight()), 1, 1000);
    record.italic = font.italic() ? 1 : 0;
    record.underline = font.underline() ? 1 : 0;
    record.strikeOut = font.strikeOut() ? 1 : 0;
    record.charSet = kDefaultCharSet;
    record.pitchAndFamily = static_cast<std::uint8_t>(
        (font.fixedPitch() ? kFixedPitch : kVariablePitch) | FamilyBits(font.styleHint()));
    record.faceName = font.family().toStdString();
    return record;
}

}  // namespace

std::optional<LogicalFont> DesktopGeneralFont() {
    if (!HaveGuiApplication()) {
        return std::nullopt;
    }
    return ToLogicalFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont), LogicalDpi());
}

LogicalFont ApplicationDefaultFont() {
    if (!HaveGuiApplication()) {
        // Without an application Qt cannot resolve fonts; name fontconfig's interface alias.
        LogicalFont record;
        record.height = -13;
        record.charSet = kDefaultCharSet;
        record.pitchAndFamily = kVariablePitch | kFamilySwiss;
        record.faceName = "Sans Serif";
        return record;
    }
    return ToLogicalFont(QGuiApplication::font(), LogicalDpi());
}
