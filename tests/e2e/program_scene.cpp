#include "tests/e2e/program_scene.h"

#include <xcb/xcb.h>

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tests/e2e/support/WaitUntil.h"

namespace {

const QString kMainTitle = QStringLiteral("Quillane Vantrel");
const QString kCloneTitle = QStringLiteral("Window Clone");

// The list's frame, inside the scroll box at 6,64 of the client area.
constexpr int kListLeft = 6 + 2;
constexpr int kListTop = 64 + 2;

DesktopOptions Screen(const std::vector<MonitorSpec>& monitors, int width, int height) {
    DesktopOptions options;
    options.width = width;
    options.height = height;
    options.monitors = monitors;
    return options;
}

DesktopOptions TwoMonitors(const XvfbServer::Options& screen) {
    DesktopOptions options = Screen({{0, 0, 1600, 1080, true}, {1600, 0, 1600, 1080, false}},
                                    screen.width, screen.height);
    options.composite = screen.composite;
    options.serverArgs = screen.extraArgs;
    return options;
}

}  // namespace

ProgramScene::ProgramScene() : ProgramScene(XvfbServer::Options{}) {}

ProgramScene::ProgramScene(const XvfbServer::Options& screen) : ProgramScene(TwoMonitors(screen)) {}

ProgramScene::ProgramScene(const std::vector<MonitorSpec>& monitors, int screenWidth,
                           int screenHeight)
    : ProgramScene(Screen(monitors, screenWidth, screenHeight)) {}

ProgramScene::ProgramScene(const DesktopOptions& options) : desktop_(options) {
    if (!desktop_.Ready()) {
        return;
    }
    run_ = std::make_unique<VantrelRun>(desktop_.Server());
    run_->SetLanguage(QStringLiteral("C"));
    ready_ = true;
}

// The desktop ends the program, the clients and the helpers it started.
ProgramScene::~ProgramScene() = default;

ColourClient* ProgramScene::StartColourClient(const QString& title, int width, int height, int x,
                                              int y) {
    TestProgram& p = desktop_.Start(
        QStringLiteral(VANTREL_COLOUR_CLIENT),
        {"--title", title, "--width", QString::number(width), "--height", QString::number(height),
         "--x", QString::number(x), "--y", QString::number(y)});
    auto client = std::make_unique<ColourClient>();
    client->process = &p.Process();
    client->window = p.ReadAnnouncedWindow(5000);
    if (client->window == 0) {
        return nullptr;
    }
    clients_.push_back(std::move(client));
    return clients_.back().get();
}

bool ProgramScene::Tell(ColourClient& client, const QByteArray& command) {
    client.process->write(command + '\n');
    client.process->waitForBytesWritten(1000);
    return ReadLineWithin(*client.process, 5000) == "ok " + command;
}

ProgramScene::Client ProgramScene::StartClient(const char* program, const QStringList& args) {
    TestProgram& p =
        desktop_.Start(QString::fromUtf8(program), args, TestProgram::ErrorOutput::Keep);
    return Client{&p.Process(), p.ReadAnnouncedWindow(10000)};
}

ProgramScene::Client ProgramScene::StartColourClient(const QStringList& args) {
    return StartClient(VANTREL_COLOUR_CLIENT, args);
}

ProgramScene::Client ProgramScene::StartHostileClient(const QStringList& args) {
    return StartClient(VANTREL_HOSTILE_CLIENT, args);
}

QByteArray ProgramScene::Tell(QProcess& client, const QByteArray& command,
                              const QByteArray& answerPrefix, int timeoutMs) {
    client.write(command + "\n");
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const QByteArray line = ReadLineWithin(
            client, static_cast<int>(std::max<qint64>(1, timeoutMs - clock.elapsed())));
        if (line.startsWith(answerPrefix)) {
            return line;
        }
    }
    return {};
}

bool ProgramScene::StartWindowManager(WindowManager manager) {
    return desktop_.StartWindowManager(manager);
}

std::optional<std::uint32_t> ProgramScene::WmState(std::uint32_t window) {
    xcb_connection_t* c = X().Connection();
    const char* name = "WM_STATE";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    if (atom == nullptr) {
        return std::nullopt;
    }
    const xcb_atom_t wmState = atom->atom;
    std::free(atom);
    if (wmState == XCB_ATOM_NONE) {
        return std::nullopt;
    }
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, wmState, wmState, 0, 2), nullptr);
    std::optional<std::uint32_t> state;
    if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) >= 4) {
        state = *static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    }
    std::free(reply);
    return state;
}

// A sanitised build of the program on a loaded two-core machine can take several seconds to
// map its window; the wait ends as soon as it is there.
constexpr int kMainWindowWaitMs = 20000;

bool ProgramScene::StartProgram() {
    program_ = &desktop_.Start(QStringLiteral(VANTREL_BINARY), {}, TestProgram::ErrorOutput::Keep,
                               run_->Environment());
    if (!program_->Started()) {
        return false;
    }
    const auto windows = WaitForWindows(X(), kMainTitle, kMainWindowWaitMs);
    if (windows.size() != 1) {
        return false;
    }
    mainWindow_ = windows[0];
    return true;
}

QProcess& ProgramScene::StartVantrel() {
    return desktop_
        .Start(QStringLiteral(VANTREL_BINARY), {}, TestProgram::ErrorOutput::Keep,
               run_->Environment())
        .Process();
}

bool ProgramScene::WaitForMainWindow() {
    const auto windows = WaitForWindows(X(), kMainTitle, kMainWindowWaitMs);
    if (windows.size() != 1) {
        return false;
    }
    mainWindow_ = windows[0];
    return MainBounds().size() == QSize(727, 551);
}

QRect ProgramScene::MainBounds() {
    return X().Geometry(mainWindow_).value_or(QRect());
}

QString ProgramScene::ProgramErrors() {
    return program_ != nullptr ? program_->Errors() : QString();
}

QPoint ProgramScene::ButtonCentre(int row, int display) {
    return MainWindowButtonCentre(MainBounds(), row, display);
}

QPoint ProgramScene::TitlePoint(int row, int displays) {
    return MainBounds().topLeft() +
           QPoint(kListLeft + 6 + 39 * displays + 20, kListTop + 6 + 28 * row + 7);
}

// The bottom buttons keep their distance from the window's bottom edge when a window manager
// (a tiling one) gives the window another height than its designed 551 pixels.
QPoint ProgramScene::IdentifyButtonCentre() {
    const QRect main = MainBounds();
    return main.topLeft() + QPoint(103 + 61, 520 + 12 + main.height() - 551);
}

QPoint ProgramScene::HideButtonCentre() {
    const QRect main = MainBounds();
    return main.topLeft() + QPoint(231 + 61, 520 + 12 + main.height() - 551);
}

QPoint ProgramScene::ExitButtonCentre() {
    return MainBounds().topLeft() + QPoint(632 + 44, 520 + 12);
}

int ProgramScene::VisibleRows() {
    return MainWindowVisibleRows(X(), MainBounds());
}

bool ProgramScene::WaitForRows(int rows, int timeoutMs) {
    return WaitUntil([&] { return VisibleRows() == rows; }, timeoutMs, 20);
}

bool ProgramScene::HasButton(int row, int display) {
    return MainWindowHasButton(X(), MainBounds(), row, display);
}

bool ProgramScene::PressAndWaitForClone(int row, int display, const QRect& bounds, int timeoutMs) {
    const QPoint button = ButtonCentre(row, display);
    X().Click(button.x(), button.y());
    return WaitUntil(
        [&] {
            for (std::uint32_t w : Clones()) {
                if (X().Geometry(w) == bounds) {
                    return true;
                }
            }
            return false;
        },
        timeoutMs, 5);
}

std::vector<std::uint32_t> ProgramScene::Clones() {
    // Under a window manager a clone sits in a frame: its frame's place in the root's
    // stacking order is the clone's.
    const auto titled = X().FindViewableWindowsByTitle(kCloneTitle);
    std::vector<std::uint32_t> clones;
    for (std::uint32_t top : X().RootChildren()) {
        for (std::uint32_t w : titled) {
            if (X().TopLevelOf(w) == top) {
                clones.push_back(w);
            }
        }
    }
    return clones;
}

std::uint32_t ProgramScene::WaitForNewClone(const std::vector<std::uint32_t>& known,
                                            const QRect& display, int timeoutMs) {
    std::uint32_t found = 0;
    WaitUntil(
        [&] {
            for (std::uint32_t w : Clones()) {
                if (std::find(known.begin(), known.end(), w) == known.end() &&
                    X().Geometry(w) == display) {
                    found = w;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

int ProgramScene::StackingIndex(std::uint32_t window) {
    const auto children = X().RootChildren();
    const auto it = std::find(children.begin(), children.end(), window);
    return it == children.end() ? -1 : static_cast<int>(it - children.begin());
}

void ProgramScene::Raise(std::uint32_t window) {
    const std::uint32_t above[] = {XCB_STACK_MODE_ABOVE};
    xcb_configure_window(X().Connection(), window, XCB_CONFIG_WINDOW_STACK_MODE, above);
    X().Sync();
}

bool ProgramScene::ShowsWithin(const std::vector<Probe>& probes, int timeoutMs,
                               std::string* describe) {
    return ShowsColours(X(), probes, timeoutMs, 40, 20, describe);
}

std::vector<ProgramScene::Probe> QuadrantsIn(const QRect& image) {
    const int left = image.x() + image.width() / 4;
    const int right = image.x() + image.width() * 3 / 4;
    const int top = image.y() + image.height() / 4;
    const int bottom = image.y() + image.height() * 3 / 4;
    return {{left, top, kSceneRed},
            {right, top, kSceneGreen},
            {left, bottom, kSceneBlue},
            {right, bottom, kSceneWhite}};
}

std::vector<ProgramScene::Probe> SideMarginsIn(const QRect& image, const QRect& clone) {
    const int y = image.center().y();
    return {{(clone.left() + image.left()) / 2, y, kSceneBlack},
            {(image.right() + clone.right()) / 2 + 1, y, kSceneBlack}};
}

QRect FittedImage(const QSize& source, const QRect& display) {
    const double scale = std::min(static_cast<double>(display.width()) / source.width(),
                                  static_cast<double>(display.height()) / source.height());
    const QSize size(static_cast<int>(std::lround(source.width() * scale)),
                     static_cast<int>(std::lround(source.height() * scale)));
    return QRect(display.x() + (display.width() - size.width()) / 2,
                 display.y() + (display.height() - size.height()) / 2, size.width(), size.height());
}
