// A test's own connection to its X server, for looking at what the program shows: windows
// by title, geometry, pixels, and synthetic input.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct xcb_connection_t;

class XClient {
  public:
    explicit XClient(const std::string& display);
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    bool Connected() const { return connection_ != nullptr; }
    xcb_connection_t* Connection() const { return connection_; }
    std::uint32_t Root() const { return root_; }

    // Every window in the tree (depth first) whose _NET_WM_NAME or WM_NAME equals title.
    std::vector<std::uint32_t> FindWindowsByTitle(const QString& title);
    // Mapped (viewable) windows among FindWindowsByTitle.
    std::vector<std::uint32_t> FindViewableWindowsByTitle(const QString& title);
    QString Title(std::uint32_t window);
    // Outer geometry in root coordinates, or nothing when the window is gone.
    std::optional<QRect> Geometry(std::uint32_t window);
    bool IsViewable(std::uint32_t window);
    bool Exists(std::uint32_t window);
    // The top-level child of the root that holds window (the window itself without a WM).
    std::uint32_t TopLevelOf(std::uint32_t window);
    // Children of the root in stacking order, bottom first.
    std::vector<std::uint32_t> RootChildren();

    // Pixels of the root window in root coordinates.
    QImage Grab(const QRect& area);
    QRgb PixelAt(int x, int y);

    // Synthetic input through XTest.
    void MoveTo(int x, int y);
    void Click(int x, int y, int button = 1);
    // Presses the left button at from, moves to to and lets go there.
    void Drag(QPoint from, QPoint to);
    void KeyTap(std::uint32_t keysym, std::uint32_t modifierKeysym = 0);
    // Whether another client holds the keyboard grabbed. Asked with a grab dated ahead of the
    // server's clock, which the server refuses on its time when the keyboard is free: the
    // question never holds the keyboard, so it cannot make another client's grab fail.
    bool KeyboardGrabbed();
    // Sends WM_DELETE_WINDOW to a window, as a window manager's close button does.
    void RequestClose(std::uint32_t window);
    // Waits until the server has handled every request sent so far.
    void Sync();
    // Maps probe windows until one gets a frame, so that a window manager that has just
    // started surely handles new windows (openbox loses those mapped while it is still
    // starting, after it has announced itself); false when none is framed in timeoutMs.
    bool WaitForWindowManager(int timeoutMs);
    // The atom of a name, interned when new.
    std::uint32_t Atom(const char* name);

  private:
    std::uint8_t KeycodeOf(std::uint32_t keysym);
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
};

// True when two colours differ by at most tolerance in each channel.
bool SameColour(QRgb a, QRgb b, int tolerance = 24);
// A point of the screen, in root coordinates, and the colour it should show.
struct ColourProbe {
    int x;
    int y;
    QRgb colour;
};
// Whether every probe shows its colour (each channel within tolerance), polling every pollMs
// up to timeoutMs while Qt runs; when not, describe (if given) lists what the points showed.
bool ShowsColours(XClient& x, const std::vector<ColourProbe>& probes, int timeoutMs, int tolerance,
                  int pollMs, std::string* describe);
// True for the dark colours of text (every channel below 96).
bool IsDark(QRgb colour);
// The pixels of image that match.
int CountPixels(const QImage& image, bool (*match)(QRgb));
