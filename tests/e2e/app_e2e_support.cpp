#include "tests/e2e/app_e2e_support.h"

#include <QDir>
#include <QFile>

#include "tests/e2e/support/WaitUntil.h"

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

}  // namespace

VantrelRun::VantrelRun(const XvfbServer& server) : server_(server) {
    QDir().mkpath(dir_.filePath("xdg"));
    QDir().mkpath(dir_.filePath("runtime"));
    QFile::setPermissions(dir_.filePath("runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Each run ends with its TestProgram.
VantrelRun::~VantrelRun() = default;

void VantrelRun::InstallCatalog(const QString& fileName, const QString& text) {
    const QString install = dir_.filePath("install");
    WriteFile(dir_.filePath("xdg/Quillane/Vantrel.conf"),
              ("[General]\nInstallPath=" + install + "\n").toUtf8());
    WriteFile(install + "/Messages/" + fileName, "\xEF\xBB\xBF" + text.toUtf8());
}

QProcessEnvironment VantrelRun::Environment() const {
    QProcessEnvironment env = server_.Environment();
    env.insert("XDG_CONFIG_DIRS", dir_.filePath("xdg"));
    env.insert("XDG_RUNTIME_DIR", dir_.filePath("runtime"));
    env.remove("LC_ALL");
    env.remove("LC_MESSAGES");
    env.remove("LANGUAGE");
    env.insert("LANG", lang_);
    // No session bus: the program under test must neither answer nor call a copy on the
    // developer's desktop (a second start asks the running copy on the bus to show itself).
    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir_.filePath("no-session-bus"));
    return env;
}

QProcess& VantrelRun::Start() {
    processes_.push_back(std::make_unique<TestProgram>(QStringLiteral(VANTREL_BINARY),
                                                       QStringList(), Environment()));
    return processes_.back()->Process();
}

QPoint MainWindowButtonCentre(const QRect& main, int row, int display) {
    return main.topLeft() + QPoint(6 + 2 + 6 + 39 * display + 16, 64 + 2 + 1 + 28 * row + 12);
}

namespace {

// Below the last row that fits, at the list's right: always the list's background.
QRgb ListBackground(XClient& x, const QRect& main) {
    return x.PixelAt(main.x() + 600, main.y() + 64 + 390);
}

bool ButtonOnBackground(XClient& x, const QRect& main, int row, int display, QRgb background) {
    const QPoint p = MainWindowButtonCentre(main, row, display);
    return !SameColour(x.PixelAt(p.x(), p.y()), background, 4);
}

}  // namespace

bool MainWindowHasButton(XClient& x, const QRect& main, int row, int display) {
    return ButtonOnBackground(x, main, row, display, ListBackground(x, main));
}

int MainWindowVisibleRows(XClient& x, const QRect& main) {
    const QRgb background = ListBackground(x, main);
    int rows = 0;
    while (rows < 12 && ButtonOnBackground(x, main, rows, 0, background)) {
        ++rows;
    }
    return rows;
}

std::vector<std::uint32_t> WaitForWindows(XClient& x, const QString& title, int timeoutMs) {
    std::vector<std::uint32_t> windows;
    WaitUntil([&] { return !(windows = x.FindViewableWindowsByTitle(title)).empty(); }, timeoutMs);
    return windows;
}

std::optional<int> WaitForExit(QProcess& process, int timeoutMs) {
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(timeoutMs)) {
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    return process.exitCode();
}
