// The real program on a private Xvfb with two monitors, for the fault and hostile-client
// tests: its standard error is kept, its rows are found on the screen, and clients (the
// colour client, the hostile client) are started and told what to do.
#pragma once

#include <QPoint>
#include <QProcess>
#include <QRect>

#include <cstdint>
#include <memory>
#include <vector>

#include "tests/e2e/app_e2e_support.h"
#include "tests/e2e/support/TestDesktop.h"
#include "tests/e2e/support/XClient.h"
#include "tests/e2e/support/XvfbServer.h"

class ProgramScene {
  public:
    // Two monitors side by side, 1600x1080 each, on a screen of the given options.
    explicit ProgramScene(const XvfbServer::Options& options = {});
    ~ProgramScene();

    TestDesktop& Desktop() { return desktop_; }
    XvfbServer& Server() { return desktop_.Server(); }
    XClient& X() { return desktop_.X(); }
    VantrelRun& Run() { return *run_; }

    // Starts one more copy of the program with standard error kept apart.
    QProcess& StartVantrel();
    // Waits for the main window and records where it is; false when it did not appear.
    bool WaitForMainWindow();
    QRect MainWindow() const { return main_; }

    // A client with its window id; the process is kept until the scene ends.
    struct Client {
        QProcess* process = nullptr;
        std::uint32_t window = 0;
    };
    Client StartColourClient(const QStringList& args);
    Client StartHostileClient(const QStringList& args);
    // Sends one command and returns the first answer line starting with answerPrefix.
    static QByteArray Tell(QProcess& client, const QByteArray& command,
                           const QByteArray& answerPrefix = "ok", int timeoutMs = 10000);

    // Centre of display button `display` of row `row`, in root coordinates.
    QPoint ButtonCentre(int row, int display) const;
    // Whether the row has a button for that display (it stands out from the background).
    bool HasButton(int row, int display);
    int VisibleRows();
    bool WaitForRows(int rows, int timeoutMs = 5000);
    // Presses a display button and waits for a viewable clone with the given bounds.
    bool PressAndWaitForClone(int row, int display, const QRect& bounds, int timeoutMs = 5000);
    std::vector<std::uint32_t> ViewableClones();
    // Whether each point shows its colour within timeoutMs.
    using Probe = ColourProbe;
    bool ShowsWithin(const std::vector<Probe>& probes, int timeoutMs, std::string* found = nullptr);

  private:
    Client StartClient(const char* program, const QStringList& args);
    TestDesktop desktop_;
    std::unique_ptr<VantrelRun> run_;
    QRect main_;
};

constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kGreen = 0xff00ff00;
constexpr QRgb kBlue = 0xff0000ff;
constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kBlack = 0xff000000;

// The second display, and where the colour client's 400x300 image is fitted onto it.
inline const QRect kSecondDisplay(1600, 0, 1600, 1080);
inline const QRect kFittedColourClient(1680, 0, 1440, 1080);
// The four quadrants' centres of an image drawn into rect.
std::vector<ProgramScene::Probe> QuadrantProbes(const QRect& rect);
