// The desktop's interface font, taken from the Qt platform theme.
#include <QFontDatabase>
#include <QGuiApplication>

#include "platform/x11/X11System.h"

QFont DesktopInterfaceFont() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return QFont();
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    return font.family().isEmpty() ? QGuiApplication::font() : font;
}
