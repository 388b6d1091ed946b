// The real vantrel program on a private test desktop with RandR monitors, colour and hostile
// clients as the windows it lists, and the test's own X connection to look and click. The
// program's error output is kept so a test can see what it complained about.
#pragma once

#include <QProcess>
#include <QRect>
#include <QRgb>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/app_e2e_support.h"
#include "tests/e2e/support/TestDesktop.h"
#include "tests/e2e/support/XClient.h"

constexpr QRgb kSceneRed = 0xffff0000;
constexpr QRgb kSceneGreen = 0xff00ff00;
constexpr QRgb kSceneBlue = 0xff0000ff;
constexpr QRgb kSceneWhite = 0xffffffff;
constexpr QRgb kSceneBlack = 0xff000000;

// A client program and the window it announced; the process lives as long as the scene.
struct ColourClient {
    QProcess* process = nullptr;
    std::uint32_t window = 0;
};

// The second of the default two monitors, and where the colour client's 400x300 image is
// fitted onto it.
inline const QRect kSecondDisplay(1600, 0, 1600, 1080);
inline const QRect kFittedColourClient(1680, 0, 1440, 1080);
constexpr QRgb kRed = kSceneRed;
constexpr QRgb kGreen = kSceneGreen;
constexpr QRgb kBlue = kSceneBlue;
constexpr QRgb kWhite = kSceneWhite;
constexpr QRgb kBlack = kSceneBlack;

class ProgramScene {
  public:
    // Two monitors side by side, 1600x1080 each (on a screen of the given options); nothing
    // else yet.
    ProgramScene();
    explicit ProgramScene(const XvfbServer::Options& screen);
    // Starts Xvfb of the given size with these monitors; nothing else yet.
    ProgramScene(const std::vector<MonitorSpec>& monitors, int screenWidth, int screenHeight);
    // Starts the desktop as asked (window manager, tray, compositor included).
    explicit ProgramScene(const DesktopOptions& options);
    ~ProgramScene();
    ProgramScene(const ProgramScene&) = delete;
    ProgramScene& operator=(const ProgramScene&) = delete;

    bool ServerReady() const { return ready_; }
    // What did not start when ServerReady() is false.
    const std::string& Failure() const { return desktop_.Failure(); }
    TestDesktop& Desktop() { return desktop_; }
    XvfbServer& Server() { return desktop_.Server(); }
    XClient& X() { return desktop_.X(); }

    // A colour client of the given size at (x, y), titled title; waits until it is mapped.
    ColourClient* StartColourClient(const QString& title, int width, int height, int x, int y);
    // A colour or hostile client with these arguments; window 0 when it announced none.
    using Client = ColourClient;
    Client StartColourClient(const QStringList& args);
    Client StartHostileClient(const QStringList& args);
    // Sends one command line ("resize 200 400") and waits for the client's answer.
    bool Tell(ColourClient& client, const QByteArray& command);
    // Sends one command and returns the first answer line starting with answerPrefix.
    static QByteArray Tell(QProcess& client, const QByteArray& command,
                           const QByteArray& answerPrefix = "ok", int timeoutMs = 10000);
    // Starts a window manager (openbox unless told) and waits until it frames new windows.
    bool StartWindowManager(WindowManager manager = WindowManager::Openbox);
    // The ICCCM WM_STATE of a client window (1 normal, 3 iconic); nothing when unset.
    std::optional<std::uint32_t> WmState(std::uint32_t window);

    // Starts vantrel and waits for its main window; false when it did not appear.
    bool StartProgram();
    QProcess& Program() { return program_->Process(); }
    // Starts one more copy of the program (its error output kept apart), and waits for the
    // one main window of the designed size; false when it did not appear.
    QProcess& StartVantrel();
    bool WaitForMainWindow();
    std::uint32_t MainWindow() const { return mainWindow_; }
    // The main window's geometry read from the server now.
    QRect MainBounds();
    // What the program wrote to its error output so far.
    QString ProgramErrors();

    // Root positions of the main window's controls, from its current geometry: the centre of
    // display button `display` (0-based) of row k, a point on row k's title when the rows
    // have `displays` buttons, and the centres of the bottom buttons.
    QPoint ButtonCentre(int row, int display);
    QPoint TitlePoint(int row, int displays);
    QPoint IdentifyButtonCentre();
    QPoint HideButtonCentre();
    QPoint ExitButtonCentre();

    // Rows shown in the list, counted by their first button standing out of the background;
    // whether row k has a button for that display.
    int VisibleRows();
    bool HasButton(int row, int display);
    bool WaitForRows(int rows, int timeoutMs = 5000);

    // Viewable clone windows, bottom first in stacking order.
    std::vector<std::uint32_t> Clones();
    std::vector<std::uint32_t> ViewableClones() { return Clones(); }
    // Presses a display button and waits for a viewable clone with the given bounds.
    bool PressAndWaitForClone(int row, int display, const QRect& bounds, int timeoutMs = 5000);
    // Waits for a viewable clone, not in known, that covers exactly display; 0 when none
    // came. A clone is shown before it is placed, so it may first appear elsewhere.
    std::uint32_t WaitForNewClone(const std::vector<std::uint32_t>& known, const QRect& display,
                                  int timeoutMs = 5000);
    // Index of window among the root's children (stacking, bottom first); -1 when absent.
    int StackingIndex(std::uint32_t window);
    // Raises a top-level window over all others, as a user's window manager would.
    void Raise(std::uint32_t window);

    // Whether each point shows its colour (within tolerance), polling up to timeoutMs; on
    // failure, describe lists what was found.
    using Probe = ColourProbe;
    bool ShowsWithin(const std::vector<Probe>& probes, int timeoutMs,
                     std::string* describe = nullptr);

  private:
    Client StartClient(const char* program, const QStringList& args);
    TestDesktop desktop_;
    std::unique_ptr<VantrelRun> run_;
    std::vector<std::unique_ptr<ColourClient>> clients_;
    TestProgram* program_ = nullptr;
    std::uint32_t mainWindow_ = 0;
    bool ready_ = false;
};

// Probes at the centres of the four quadrants of a colour client's image drawn into image
// (root coordinates), and in the black margins left and right of it inside clone.
std::vector<ProgramScene::Probe> QuadrantsIn(const QRect& image);
std::vector<ProgramScene::Probe> SideMarginsIn(const QRect& image, const QRect& clone);
// Where a source of the given size is drawn when fitted, centred, into a display.
QRect FittedImage(const QSize& source, const QRect& display);
// The same probes as QuadrantsIn.
inline std::vector<ProgramScene::Probe> QuadrantProbes(const QRect& image) {
    return QuadrantsIn(image);
}
