// Runs the real vantrel program on a private Xvfb with a settings folder, a runtime folder
// and a locale of the test's own.
#pragma once

#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <optional>

#include "tests/e2e/support/TestProgram.h"
#include "tests/e2e/support/XClient.h"
#include "tests/e2e/support/XvfbServer.h"

class VantrelRun {
  public:
    explicit VantrelRun(const XvfbServer& server);
    ~VantrelRun();

    // Installation folder with a Messages folder, announced through the system settings.
    void InstallCatalog(const QString& fileName, const QString& text);
    void SetLanguage(const QString& lang) { lang_ = lang; }
    QProcessEnvironment Environment() const;

    // Starts one more copy of the program; the runs share settings and runtime folder.
    QProcess& Start();
    QProcess& Process(int index = 0) {
        return processes_.at(static_cast<std::size_t>(index))->Process();
    }

  private:
    const XvfbServer& server_;
    QTemporaryDir dir_;
    QString lang_ = QStringLiteral("C.UTF-8");
    std::vector<std::unique_ptr<TestProgram>> processes_;
};

// Centre of display button `display` (0-based) of row `row` of the main window whose client
// area is at main, in root coordinates. The list's frame is a pixel or two wide; the point is
// well inside the button.
QPoint MainWindowButtonCentre(const QRect& main, int row, int display);
// Whether that button stands out from the list's background, that is, is shown.
bool MainWindowHasButton(XClient& x, const QRect& main, int row, int display);
// Rows shown in the main window's list (at most 12), counted by their first display button.
int MainWindowVisibleRows(XClient& x, const QRect& main);

// The viewable windows titled title; waits up to timeoutMs for at least one.
std::vector<std::uint32_t> WaitForWindows(XClient& x, const QString& title, int timeoutMs);
// Waits for the process to end; returns its exit code, or nothing when it did not end.
std::optional<int> WaitForExit(QProcess& process, int timeoutMs);
