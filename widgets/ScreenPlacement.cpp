#include "widgets/ScreenPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

void PlaceFullScreenOnNamedScreen(QWidget& window, const QString& screenName, bool show) {
    window.winId();
    const QList<QScreen*> screens = QGuiApplication::screens();
    const auto named = std::find_if(screens.begin(), screens.end(),
                                    [&screenName](QScreen* s) { return s->name() == screenName; });
    if (named != screens.end() && window.windowHandle() != nullptr) {
        window.windowHandle()->setScreen(*named);
    }
    if (show) {
        window.showFullScreen();
    } else {
        window.setWindowState(window.windowState() | Qt::WindowFullScreen);
    }
}
