// A small program on the Wayland backend for the end-to-end test, standing in for the
// forms while they are rewritten: it prints the window list and the displays whenever they
// change, and takes commands on standard input:
//   choose                       open the portal's picker
//   clone <window> <display>     open a clone of a listed window on display n (0-based)
//   unclone <window>             close the clones of a window
// A clone is black, full screen on its display's output, and draws the window fitted; a
// click switches between fitted and natural size. It closes when its window leaves the list.
#include <QApplication>
#include <QMouseEvent>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "platform/WindowPicker.h"
#include "platform/wayland/PipeWireStream.h"
#include "platform/wayland/WaylandDisplayList.h"
#include "platform/wayland/WaylandPlatform.h"
#include "platform/wayland/WaylandThumbnail.h"
#include "platform/wayland/WindowSource.h"

namespace {

void Say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// The image fitted into the area, centred, aspect kept.
QRect FitInside(QSize source, QSize area) {
    if (source.isEmpty()) {
        return QRect(QPoint(0, 0), area);
    }
    const QSize fitted = source.scaled(area, Qt::KeepAspectRatio);
    return QRect(QPoint((area.width() - fitted.width()) / 2, (area.height() - fitted.height()) / 2),
                 fitted);
}

class DemoClone : public QWidget {
  public:
    DemoClone(Platform& platform, WindowHandle source, const DisplayInfo& display)
        : platform_(platform), source_(source) {
        setWindowFlag(Qt::FramelessWindowHint);
        setWindowTitle(QStringLiteral("Vantrel clone"));
        setAutoFillBackground(true);
        QPalette palette;
        palette.setColor(QPalette::Window, Qt::black);
        setPalette(palette);
        winId();
        windowHandle()->setScreen(WaylandDisplayList::ScreenOf(display));
        showFullScreen();
        thumbnail_ =
            platform_.Compositor().CreateThumbnail(static_cast<WindowHandle>(winId()), source);
        Say(QStringLiteral("clone-shown %1 %2").arg(source).arg(thumbnail_ ? "ok" : "black"));
    }
    void Place() {
        if (!thumbnail_) {
            return;
        }
        const QSize area = size() * devicePixelRatio();
        const QSize source = thumbnail_->SourceSize().value_or(QSize());
        const QRect target = natural_ && !source.isEmpty()
                                 ? QRect(QPoint((area.width() - source.width()) / 2,
                                                (area.height() - source.height()) / 2),
                                         source)
                                 : FitInside(source, area);
        thumbnail_->Place(target, true);
    }
    WindowHandle Source() const { return source_; }
    // What the test prints when a picture does not appear.
    QString Stats() const {
        const auto* thumbnail = dynamic_cast<const WaylandThumbnail*>(thumbnail_.get());
        if (thumbnail == nullptr || thumbnail->View() == nullptr) {
            return QStringLiteral("no thumbnail");
        }
        const FrameView& view = *thumbnail->View();
        const PipeWireStream* stream = thumbnail->Source().Stream();
        const QPoint pointer = thumbnail->Source().Pointer().position;
        return QStringLiteral(
                   "frames=%1 ended=%2 paints=%3 visible=%4 view=%5x%6 clone=%7x%8 "
                   "handed=%9 pointer=%10,%11 dmabuf-formats=%12")
            .arg(stream ? QString::number(stream->FramesReceived()) : QStringLiteral("none"))
            .arg(stream && stream->HasEnded())
            .arg(view.PaintCount())
            .arg(view.isVisible())
            .arg(view.width())
            .arg(view.height())
            .arg(width())
            .arg(height())
            .arg(view.HandedOnCount())
            .arg(pointer.x())
            .arg(pointer.y())
            .arg(stream ? stream->DmaBufOffered().Formats().size() : 0);
    }

  protected:
    void resizeEvent(QResizeEvent*) override { Place(); }
    void mousePressEvent(QMouseEvent*) override {
        natural_ = !natural_;
        Place();
        Say(natural_ ? QStringLiteral("mode natural") : QStringLiteral("mode fit"));
    }
    // The second of two quick clicks comes as a double click only (Qt holds back its press
    // from widgets); QWidget hands that to mousePressEvent: two clicks, two switches.

  private:
    Platform& platform_;
    WindowHandle source_;
    std::unique_ptr<Thumbnail> thumbnail_;
    bool natural_ = false;
};

class Demo : public QObject {
  public:
    explicit Demo(Platform& platform) : platform_(platform), input_(0, QSocketNotifier::Read) {
        main_.setWindowTitle(QStringLiteral("Vantrel demo"));
        main_.resize(300, 200);
        main_.show();
        connect(&input_, &QSocketNotifier::activated, this, &Demo::ReadCommand);
        connect(&platform_.Displays(), &DisplayList::Changed, this, &Demo::Refresh);
        if (auto* provider = dynamic_cast<WindowPickerProvider*>(&platform_)) {
            WindowPicker& picker = provider->Picker();
            connect(&picker, &WindowPicker::SourceResized, this, [this](WindowHandle window) {
                for (const auto& [id, clone] : clones_) {
                    if (clone->Source() == window) {
                        clone->Place();
                    }
                }
            });
            connect(&picker, &WindowPicker::ChoiceFailed, this,
                    [](const QString& message) { Say(QStringLiteral("failed ") + message); });
            Say(QStringLiteral("can-choose %1").arg(picker.CanChoose() ? "yes" : "no"));
        }
        // The forms refresh when the event loop goes idle; polling is enough here.
        connect(&refresh_, &QTimer::timeout, this, &Demo::Refresh);
        refresh_.start(100);
        Refresh();
    }

  private:
    void Refresh() {
        QStringList displays;
        displays_ = platform_.Displays().Displays();
        for (const DisplayInfo& display : displays_) {
            displays.append(display.name);
        }
        Announce(QStringLiteral("displays ") + displays.join(u','), lastDisplays_);
        QStringList rows;
        std::vector<ListedWindow> windows = platform_.Windows().Snapshot(0);
        for (const ListedWindow& window : windows) {
            rows.append(QStringLiteral("%1=%2").arg(window.handle).arg(window.title));
        }
        Announce(QStringLiteral("rows ") + rows.join(u'|'), lastRows_);
        std::erase_if(clones_, [&windows](const auto& entry) {
            const bool listed = std::any_of(windows.begin(), windows.end(), [&](const auto& w) {
                return w.handle == entry.second->Source();
            });
            if (!listed) {
                Say(QStringLiteral("clone-closed %1").arg(entry.second->Source()));
            }
            return !listed;
        });
    }
    static void Announce(const QString& line, QString& last) {
        if (line != last) {
            last = line;
            Say(line);
        }
    }
    void ReadCommand() {
        char buffer[256];
        const qint64 length = ::read(0, buffer, sizeof(buffer) - 1);
        if (length <= 0) {
            input_.setEnabled(false);
            return;
        }
        for (const QString& line : QString::fromUtf8(buffer, length).split(u'\n')) {
            Run(line.split(u' ', Qt::SkipEmptyParts));
        }
    }
    void Run(const QStringList& words) {
        if (words.value(0) == QLatin1String("choose")) {
            if (auto* provider = dynamic_cast<WindowPickerProvider*>(&platform_)) {
                provider->Picker().Choose();
            }
        } else if (words.value(0) == QLatin1String("clone") && words.size() == 3) {
            const int display = words[2].toInt();
            if (display >= 0 && display < static_cast<int>(displays_.size())) {
                const WindowHandle source = words[1].toUInt();
                clones_[nextClone_++] =
                    std::make_unique<DemoClone>(platform_, source, displays_[display]);
            }
        } else if (words.value(0) == QLatin1String("stats")) {
            for (const auto& [id, clone] : clones_) {
                Say(QStringLiteral("stats %1 %2").arg(clone->Source()).arg(clone->Stats()));
            }
        } else if (words.value(0) == QLatin1String("unclone") && words.size() == 2) {
            const WindowHandle source = words[1].toUInt();
            std::erase_if(clones_, [source](const auto& entry) {
                if (entry.second->Source() != source) {
                    return false;
                }
                Say(QStringLiteral("clone-closed %1").arg(source));
                return true;
            });
        }
    }

    Platform& platform_;
    QWidget main_;
    QSocketNotifier input_;
    QTimer refresh_;
    std::vector<DisplayInfo> displays_;
    std::map<int, std::unique_ptr<DemoClone>> clones_;
    int nextClone_ = 0;
    QString lastRows_;
    QString lastDisplays_;
};

}  // namespace

int main(int argc, char** argv) {
    std::unique_ptr<Platform> platform = CreateWaylandPlatform();
    auto guard = platform->System().AcquireInstanceGuard(QStringLiteral("VantrelDemo"));
    if (guard->AlreadyRunning()) {
        Say(QStringLiteral("already-running"));
        return 0;
    }
    QApplication app(argc, argv);
    if (!QtRunsOnWayland()) {
        Say(QStringLiteral("not-wayland ") + QGuiApplication::platformName());
        return 2;
    }
    if (!platform->Compositor().Available()) {
        Say(QStringLiteral("composition-unavailable"));
        return 3;
    }
    Demo demo(*platform);
    const int code = app.exec();
    return code;
}
