#include "tests/e2e/fault_support.h"

#include <algorithm>
#include <string>

#include "tests/e2e/support/WaitUntil.h"

namespace {
const QString kMainTitle = QStringLiteral("Quillane Vantrel");
const QString kCloneTitle = QStringLiteral("Window Clone");
}  // namespace

namespace {

DesktopOptions TwoMonitors(const XvfbServer::Options& screen) {
    DesktopOptions options;
    options.width = screen.width;
    options.height = screen.height;
    options.composite = screen.composite;
    options.serverArgs = screen.extraArgs;
    options.monitors = {{0, 0, 1600, 1080, true}, {1600, 0, 1600, 1080, false}};
    return options;
}

}  // namespace

ProgramScene::ProgramScene(const XvfbServer::Options& options) : desktop_(TwoMonitors(options)) {
    run_ = std::make_unique<VantrelRun>(desktop_.Server());
}

// The desktop ends every program the scene started.
ProgramScene::~ProgramScene() = default;

QProcess& ProgramScene::StartVantrel() {
    return desktop_
        .Start(QStringLiteral(VANTREL_BINARY), {}, TestProgram::ErrorOutput::Keep,
               run_->Environment())
        .Process();
}

bool ProgramScene::WaitForMainWindow() {
    const auto windows = WaitForWindows(X(), kMainTitle, 8000);
    if (windows.size() != 1) {
        return false;
    }
    main_ = X().Geometry(windows[0]).value_or(QRect());
    return main_.size() == QSize(727, 551);
}

ProgramScene::Client ProgramScene::StartClient(const char* program, const QStringList& args) {
    TestProgram& p =
        desktop_.Start(QString::fromUtf8(program), args, TestProgram::ErrorOutput::Keep);
    Client client;
    client.process = &p.Process();
    client.window = p.ReadAnnouncedWindow(10000);
    return client;
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

QPoint ProgramScene::ButtonCentre(int row, int display) const {
    return MainWindowButtonCentre(main_, row, display);
}

bool ProgramScene::HasButton(int row, int display) {
    return MainWindowHasButton(X(), main_, row, display);
}

int ProgramScene::VisibleRows() {
    return MainWindowVisibleRows(X(), main_);
}

bool ProgramScene::WaitForRows(int rows, int timeoutMs) {
    return WaitUntil([&] { return VisibleRows() == rows; }, timeoutMs, 20);
}

std::vector<std::uint32_t> ProgramScene::ViewableClones() {
    return X().FindViewableWindowsByTitle(kCloneTitle);
}

bool ProgramScene::PressAndWaitForClone(int row, int display, const QRect& bounds, int timeoutMs) {
    const QPoint button = ButtonCentre(row, display);
    X().Click(button.x(), button.y());
    return WaitUntil(
        [&] {
            for (std::uint32_t w : ViewableClones()) {
                if (X().Geometry(w) == bounds) {
                    return true;
                }
            }
            return false;
        },
        timeoutMs, 5);
}

bool ProgramScene::ShowsWithin(const std::vector<Probe>& probes, int timeoutMs,
                               std::string* found) {
    return ShowsColours(X(), probes, timeoutMs, 24, 20, found);
}

std::vector<ProgramScene::Probe> QuadrantProbes(const QRect& r) {
    const int qx = r.width() / 4;
    const int qy = r.height() / 4;
    return {{r.x() + qx, r.y() + qy, kRed},
            {r.x() + 3 * qx, r.y() + qy, kGreen},
            {r.x() + qx, r.y() + 3 * qy, kBlue},
            {r.x() + 3 * qx, r.y() + 3 * qy, kWhite}};
}
