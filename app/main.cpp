#include <QApplication>
#include <QWidget>

#include "platform/x11/X11Platform.h"

int main(int argc, char** argv) {
    InstallPlatform(CreateX11Platform());
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Quillane Vantrel"));
    window.resize(727, 551);
    window.show();
    return app.exec();
}
