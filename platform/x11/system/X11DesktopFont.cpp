#include "platform/x11/system/X11DesktopFont.h"

#include <QFontDatabase>
#include <QGuiApplication>

QFont DesktopInterfaceFont() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return QFont();
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    return font.family().isEmpty() ? QGuiApplication::font() : font;
}
