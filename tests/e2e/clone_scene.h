// One end-to-end scene for the clone window: a private Xvfb with two RandR monitors
// (1280x720 primary at 0,0 and 1920x1080 at 1280,0), this process as a Qt application on it
// with the X11 backend, and a colour client as the source window.
#pragma once

#include <QApplication>
#include <QProcess>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/Platform.h"

#include "tests/e2e/support/TestDesktop.h"
#include "tests/e2e/support/XClient.h"

class TCloneForm;
class X11Context;

class CloneScene {
  public:
    CloneScene();
    ~CloneScene();

    // Starts everything; false (with a reason) when a part could not be started.
    bool Start(bool withWindowManager, std::string* reason);

    XvfbServer& Server() { return desktop_->Server(); }
    // The X11 backend this process's clones are made with.
    Platform& Backend() { return *platform_; }
    // A clone made with the backend, not yet shown.
    std::unique_ptr<TCloneForm> NewClone();
    // The size the compositor knows for source now, as a thumbnail of it reports it (while
    // a clone shows source, through the record that clone uses); nothing when the source
    // is gone or cannot be read.
    std::optional<QSize> TrackedSourceSize(std::uint32_t source);
    XClient& X() { return desktop_->X(); }
    QProcess& Source() { return source_->Process(); }
    std::uint32_t SourceWindow() const { return sourceWindow_; }
    // X errors that reached the program and were not expected by anyone.
    int UnexpectedErrors() const { return *errors_; }
    // The connection the backend's thumbnails use (beside Qt's).
    X11Context& ThumbnailConnection();

    // The server's count of this process's resources by type name (PIXMAP, PICTURE...),
    // over both of its connections.
    std::map<std::string, int> OwnResources();
    // Sends a command to the colour client ("resize 800 400", "unmap").
    void Tell(const char* command);

    // Whether every point holds its colour (each channel within tolerance), polling up to
    // timeoutMs while Qt runs; on failure, describe lists what was found.
    using Probe = ColourProbe;
    bool ShowsWithin(const std::vector<Probe>& probes, int timeoutMs, std::string* describe);

  private:
    void AddResources(xcb_connection_t* c, std::uint32_t anyOfOurs,
                      std::map<std::string, int>& counts);

    std::unique_ptr<TestDesktop> desktop_;
    std::unique_ptr<QApplication> app_;
    std::unique_ptr<Platform> platform_;
    // An unshown window of ours that TrackedSourceSize's thumbnails are drawn into.
    std::unique_ptr<QWidget> probeTarget_;
    TestProgram* source_ = nullptr;
    std::uint32_t sourceWindow_ = 0;
    std::shared_ptr<int> errors_ = std::make_shared<int>(0);
};

constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kGreen = 0xff00ff00;
constexpr QRgb kBlue = 0xff0000ff;
constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kBlack = 0xff000000;

// The probes at the centres of the four quadrants of an image drawn into rect (root
// coordinates), and just outside it on every side where the clone's black margin is.
std::vector<CloneScene::Probe> QuadrantProbes(const QRect& rect);
std::vector<CloneScene::Probe> MarginProbes(const QRect& rect, const QRect& clone);
