#include "tests/e2e/toggle_e2e_scene.h"

#include <xcb/xcb.h>

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

void EndProcess(QProcess& process) {
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

}  // namespace

ProgramScene::ProgramScene(const std::vector<MonitorSpec>& monitors, int screenWidth,
                           int screenHeight) {
    XvfbServer::Options options;
    options.width = screenWidth;
    options.height = screenHeight;
    server_ = std::make_unique<XvfbServer>(options);
    if (!server_->Running() || !server_->SetMonitors(monitors)) {
        return;
    }
    x_ = std::make_unique<XClient>(server_->Display());
    run_ = std::make_unique<VantrelRun>(*server_);
    run_->SetLanguage(QStringLiteral("C"));
    ready_ = x_->Connected();
}

ProgramScene::~ProgramScene() {
    EndProcess(program_);
    for (auto& client : clients_) {
        EndProcess(*client->process);
    }
    for (auto& helper : helpers_) {
        EndProcess(*helper);
    }
}

ColourClient* ProgramScene::StartColourClient(const QString& title, int width, int height, int x,
                                              int y) {
    auto client = std::make_unique<ColourClient>();
    client->process = std::make_unique<QProcess>();
    QProcess& p = *client->process;
    p.setProcessEnvironment(server_->Environment());
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral(VANTREL_COLOUR_CLIENT),
            {"--title", title, "--width", QString::number(width), "--height",
             QString::number(height), "--x", QString::number(x), "--y", QString::number(y)});
    client->window = ReadAnnouncedWindow(p, 5000);
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

QProcess* ProgramScene::StartHelper(const QString& program, const QStringList& args) {
    helpers_.push_back(std::make_unique<QProcess>());
    QProcess& p = *helpers_.back();
    p.setProcessEnvironment(server_->Environment());
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForStarted(5000) ? &p : nullptr;
}

bool ProgramScene::StartWindowManager() {
    if (StartHelper(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")}) == nullptr) {
        return false;
    }
    return x_->WaitForWindowManager(10000);
}

std::optional<std::uint32_t> ProgramScene::WmState(std::uint32_t window) {
    xcb_connection_t* c = x_->Connection();
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

bool ProgramScene::StartProgram() {
    program_.setProcessEnvironment(run_->Environment());
    program_.start(QStringLiteral(VANTREL_BINARY), {});
    if (!program_.waitForStarted(5000)) {
        return false;
    }
    const auto windows = WaitForWindows(*x_, kMainTitle, 8000);
    if (windows.size() != 1) {
        return false;
    }
    mainWindow_ = windows[0];
    return true;
}

QRect ProgramScene::MainBounds() {
    return x_->Geometry(mainWindow_).value_or(QRect());
}

QString ProgramScene::ProgramErrors() {
    errors_ += program_.readAllStandardError();
    return QString::fromLocal8Bit(errors_);
}

QPoint ProgramScene::ButtonCentre(int row, int display) {
    return MainWindowButtonCentre(MainBounds(), row, display);
}

QPoint ProgramScene::TitlePoint(int row, int displays) {
    return MainBounds().topLeft() +
           QPoint(kListLeft + 6 + 39 * displays + 20, kListTop + 6 + 28 * row + 7);
}

QPoint ProgramScene::IdentifyButtonCentre() {
    return MainBounds().topLeft() + QPoint(103 + 61, 520 + 12);
}

QPoint ProgramScene::HideButtonCentre() {
    return MainBounds().topLeft() + QPoint(231 + 61, 520 + 12);
}

QPoint ProgramScene::ExitButtonCentre() {
    return MainBounds().topLeft() + QPoint(632 + 44, 520 + 12);
}

int ProgramScene::VisibleRows() {
    return MainWindowVisibleRows(*x_, MainBounds());
}

bool ProgramScene::WaitForRows(int rows, int timeoutMs) {
    return WaitUntil([&] { return VisibleRows() == rows; }, timeoutMs, 20);
}

std::vector<std::uint32_t> ProgramScene::Clones() {
    std::vector<std::uint32_t> clones;
    for (std::uint32_t w : x_->RootChildren()) {
        if (x_->IsViewable(w) && x_->Title(w) == kCloneTitle) {
            clones.push_back(w);
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
                    x_->Geometry(w) == display) {
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
    const auto children = x_->RootChildren();
    const auto it = std::find(children.begin(), children.end(), window);
    return it == children.end() ? -1 : static_cast<int>(it - children.begin());
}

void ProgramScene::Raise(std::uint32_t window) {
    const std::uint32_t above[] = {XCB_STACK_MODE_ABOVE};
    xcb_configure_window(x_->Connection(), window, XCB_CONFIG_WINDOW_STACK_MODE, above);
    x_->Sync();
}

bool ProgramScene::ShowsWithin(const std::vector<Probe>& probes, int timeoutMs,
                               std::string* describe) {
    return ShowsColours(*x_, probes, timeoutMs, 40, 20, describe);
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
