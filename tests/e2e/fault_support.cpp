#include "tests/e2e/fault_support.h"

#include <algorithm>
#include <string>

#include "tests/e2e/support/WaitUntil.h"

namespace {
const QString kMainTitle = QStringLiteral("Quillane Vantrel");
const QString kCloneTitle = QStringLiteral("Window Clone");
}  // namespace

ProgramScene::ProgramScene(const XvfbServer::Options& options) : server_(options) {
    if (server_.Running()) {
        server_.SetMonitors({{0, 0, 1600, 1080, true}, {1600, 0, 1600, 1080, false}});
    }
    x_ = std::make_unique<XClient>(server_.Display());
    run_ = std::make_unique<VantrelRun>(server_);
}

ProgramScene::~ProgramScene() {
    for (auto& p : processes_) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
}

QProcess& ProgramScene::StartVantrel() {
    processes_.push_back(std::make_unique<QProcess>());
    QProcess& p = *processes_.back();
    p.setProcessEnvironment(run_->Environment());
    p.start(QStringLiteral(VANTREL_BINARY), {});
    p.waitForStarted(5000);
    return p;
}

bool ProgramScene::WaitForMainWindow() {
    const auto windows = WaitForWindows(*x_, kMainTitle, 8000);
    if (windows.size() != 1) {
        return false;
    }
    main_ = x_->Geometry(windows[0]).value_or(QRect());
    return main_.size() == QSize(727, 551);
}

ProgramScene::Client ProgramScene::StartClient(const char* program, const QStringList& args) {
    processes_.push_back(std::make_unique<QProcess>());
    QProcess& p = *processes_.back();
    p.setProcessEnvironment(server_.Environment());
    p.start(QString::fromUtf8(program), args);
    Client client;
    client.process = &p;
    client.window = ReadAnnouncedWindow(p, 10000);
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
    return MainWindowHasButton(*x_, main_, row, display);
}

int ProgramScene::VisibleRows() {
    return MainWindowVisibleRows(*x_, main_);
}

bool ProgramScene::WaitForRows(int rows, int timeoutMs) {
    return WaitUntil([&] { return VisibleRows() == rows; }, timeoutMs, 20);
}

std::vector<std::uint32_t> ProgramScene::ViewableClones() {
    return x_->FindViewableWindowsByTitle(kCloneTitle);
}

bool ProgramScene::PressAndWaitForClone(int row, int display, const QRect& bounds, int timeoutMs) {
    const QPoint button = ButtonCentre(row, display);
    x_->Click(button.x(), button.y());
    return WaitUntil(
        [&] {
            for (std::uint32_t w : ViewableClones()) {
                if (x_->Geometry(w) == bounds) {
                    return true;
                }
            }
            return false;
        },
        timeoutMs, 5);
}

bool ProgramScene::ShowsWithin(const std::vector<Probe>& probes, int timeoutMs,
                               std::string* found) {
    return ShowsColours(*x_, probes, timeoutMs, 24, 20, found);
}

std::vector<ProgramScene::Probe> QuadrantProbes(const QRect& r) {
    const int qx = r.width() / 4;
    const int qy = r.height() / 4;
    return {{r.x() + qx, r.y() + qy, kRed},
            {r.x() + 3 * qx, r.y() + qy, kGreen},
            {r.x() + qx, r.y() + 3 * qy, kBlue},
            {r.x() + 3 * qx, r.y() + 3 * qy, kWhite}};
}
