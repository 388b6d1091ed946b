// Shows the About window modally on the X server of $DISPLAY, with the X11 backend for the
// desktop font, and reports on standard output: "shown" once the modal loop runs, "open
// <url>" for every link it opens (taken here instead of by a browser) and "result <n>" when
// the dialog has closed.
#include <QApplication>
#include <QDesktopServices>
#include <QTimer>
#include <QUrl>

#include <cstdio>

#include <memory>

#include "about/AboutForm.h"
#include "l10n/Session.h"
#include "platform/x11/X11Platform.h"

namespace {

class LinkPrinter : public QObject {
    Q_OBJECT
  public slots:
    void Open(const QUrl& url) {
        std::printf("open %s\n", url.toString().toUtf8().constData());
        std::fflush(stdout);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::unique_ptr<Platform> platform = CreateX11Platform();
    QApplication app(argc, argv);
    const Session session(platform->Encodings(), 0x0409);
    LinkPrinter links;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &links, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &links, "Open");

    auto form = std::make_unique<TAboutForm>(session, platform->System(), nullptr);
    form->ApplyLanguage(0x0409);
    QTimer::singleShot(0, [] {
        std::printf("shown\n");
        std::fflush(stdout);
    });
    const int result = form->exec();
    form.reset();
    std::printf("result %d\n", result);
    std::fflush(stdout);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    return 0;
}

#include "about_window_probe.moc"
