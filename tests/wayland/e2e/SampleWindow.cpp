// A plain Wayland window with a known title, for the compositor's window list.
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>

class Sample : public QRasterWindow {
  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(QRect(QPoint(0, 0), size()), QColor(40, 90, 160));
    }
};

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    Sample window;
    window.setTitle(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("Sample window"));
    window.resize(400, 300);
    window.show();
    return app.exec();
}
