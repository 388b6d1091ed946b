// The real program on two monitors with a source of four coloured quadrants: a clone asked
// for from the command line with a crop, then changed through its own right-click menu
// (XTest clicks and keys) to the whole window, mirrored, stretched, cropped by a drag, and a
// second crop given up with Escape, each seen by screenshot.
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/program_scene.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

constexpr int kWaitMs = 10000;
constexpr std::uint32_t kKeyDown = 0xff54;
constexpr std::uint32_t kKeyReturn = 0xff0d;
// The menu's enabled entries, counted from the top (Keep, Fit, Natural size, Fill, Stretch,
// Crop..., then Show Whole Window only while cropped, then the turns).
constexpr std::uint32_t kKeyEscape = 0xff1b;
constexpr int kFit = 2;
constexpr int kFill = 4;
constexpr int kStretch = 5;
constexpr int kCrop = 6;
constexpr int kShowWholeWindow = 7;
constexpr int kMirrorUncropped = 8;
constexpr int kRotate90Uncropped = 10;

class CloneLookScene {
  public:
    CloneLookScene() {
        if (!scene_.ServerReady() || !home_.isValid()) {
            return;
        }
        env_ = scene_.Desktop().Environment();
        if (!scene_.Desktop().StartSessionBus(env_)) {
            return;
        }
        env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.path());
        env_.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath("config"));
        env_.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        ready_ =
            scene_.StartColourClient(QStringLiteral("Quadrants"), 400, 300, 100, 100) != nullptr;
    }
    bool Ready() const { return ready_; }
    ProgramScene& Scene() { return scene_; }

    // Starts the program and waits for its main window, which it maps only once it answers
    // commands.
    bool StartProgram() {
        scene_.Desktop().Start(QStringLiteral(VANTREL_BINARY), {},
                               TestProgram::ErrorOutput::Forward, env_);
        return !WaitForWindows(scene_.X(), QStringLiteral("Quillane Vantrel"), kWaitMs).empty();
    }
    // Runs one more copy with arguments to its end; its exit code, -1 when it did not end.
    int Command(const QStringList& arguments) {
        QProcess command;
        command.setProcessEnvironment(env_);
        command.start(QStringLiteral(VANTREL_BINARY), arguments);
        if (!command.waitForFinished(kWaitMs)) {
            command.kill();
            command.waitForFinished();
            return -1;
        }
        return command.exitCode();
    }
    // Opens the clone's menu with a right click and chooses its entry-th enabled entry by
    // keys: the pointer stays where the menu opened, so it selects nothing itself.
    bool Choose(int entry) {
        XClient& x = scene_.X();
        const std::size_t before = ViewableTopLevels();
        x.Click(kSecondDisplay.center().x(), kSecondDisplay.center().y(), 3);
        // The keys go to the menu only once it holds the keyboard, which can come after it
        // is mapped on a busy machine.
        if (!WaitUntil([&] { return ViewableTopLevels() > before; }, kWaitMs) ||
            !WaitUntil([&] { return x.KeyboardGrabbed(); }, kWaitMs)) {
            return false;
        }
        for (int i = 0; i < entry; ++i) {
            x.KeyTap(kKeyDown);
        }
        x.KeyTap(kKeyReturn);
        return WaitUntil([&] { return ViewableTopLevels() == before; }, kWaitMs);
    }
    // Chooses "Crop..." and waits until the clone has taken the keyboard for it.
    bool BeginCrop() {
        return Choose(kCrop) && WaitUntil([&] { return scene_.X().KeyboardGrabbed(); }, kWaitMs);
    }
    ::testing::AssertionResult Shows(const std::vector<ColourProbe>& probes) {
        std::string found;
        if (scene_.ShowsWithin(probes, kWaitMs, &found)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << found;
    }

  private:
    std::size_t ViewableTopLevels() {
        std::size_t n = 0;
        for (const std::uint32_t window : scene_.X().RootChildren()) {
            n += scene_.X().IsViewable(window) ? 1 : 0;
        }
        return n;
    }

    ProgramScene scene_;
    QTemporaryDir home_;
    QProcessEnvironment env_;
    bool ready_ = false;
};

// Probes just inside the corners of area: top left, top right, bottom left, bottom right.
std::vector<ColourProbe> Corners(const QRect& area, QRgb tl, QRgb tr, QRgb bl, QRgb br) {
    const QRect in = area.adjusted(8, 8, -8, -8);
    return {{in.left(), in.top(), tl},
            {in.right(), in.top(), tr},
            {in.left(), in.bottom(), bl},
            {in.right(), in.bottom(), br}};
}

TEST(CloneLookE2e, CropFromTheCommandLineThenTurnsModesAndCropsFromTheMenu) {
    CloneLookScene look;
    ASSERT_TRUE(look.Ready()) << look.Scene().Failure();
    ASSERT_TRUE(look.StartProgram());

    // The top-left quadrant alone, fitted: red to the image's corners and at its centre.
    ASSERT_EQ(look.Command({"--clone", "Quadrants", "--display", "2", "--crop", "200x150+0+0"}), 0);
    std::vector<ColourProbe> red = Corners(kFittedColourClient, kRed, kRed, kRed, kRed);
    red.push_back({kFittedColourClient.center().x(), kFittedColourClient.center().y(), kRed});
    EXPECT_TRUE(look.Shows(red)) << "cropped to the top-left quadrant";

    ASSERT_TRUE(look.Choose(kShowWholeWindow));
    EXPECT_TRUE(look.Shows(QuadrantsIn(kFittedColourClient))) << "the whole window again";

    ASSERT_TRUE(look.Choose(kMirrorUncropped));
    EXPECT_TRUE(look.Shows(Corners(kFittedColourClient, kGreen, kRed, kWhite, kBlue)))
        << "mirrored left to right";

    // Stretched over the whole display, still mirrored.
    ASSERT_TRUE(look.Choose(kStretch));
    const std::vector<ColourProbe> stretched = Corners(kSecondDisplay, kGreen, kRed, kWhite, kBlue);
    EXPECT_TRUE(look.Shows(stretched)) << "stretched";

    // Dragged over the display's top-right quarter, which shows the window's top-left
    // quadrant mirrored: that quadrant alone, stretched, fills the display.
    ASSERT_TRUE(look.BeginCrop());
    look.Scene().X().Drag({2420, 20}, {3180, 520});
    EXPECT_TRUE(look.Shows(Corners(kSecondDisplay, kRed, kRed, kRed, kRed))) << "cropped by drag";

    // Escape ends a second crop unchosen: the next right click opens the menu again.
    ASSERT_TRUE(look.BeginCrop());
    look.Scene().X().KeyTap(kKeyEscape);
    ASSERT_TRUE(WaitUntil([&] { return !look.Scene().X().KeyboardGrabbed(); }, kWaitMs));
    ASSERT_TRUE(look.Choose(kShowWholeWindow)) << "the menu after Escape";
    EXPECT_TRUE(look.Shows(stretched)) << "whole again after Escape";

    // Turned a quarter clockwise, still stretched: the top-left quadrant at the top right.
    const std::vector<ColourProbe> turned = Corners(kSecondDisplay, kBlue, kRed, kWhite, kGreen);
    ASSERT_TRUE(look.Choose(kRotate90Uncropped));
    EXPECT_TRUE(look.Shows(turned)) << "turned";
    // Fitted, the turned image (taller than wide) leaves the display's corners black; filled, it
    // covers them.
    ASSERT_TRUE(look.Choose(kFit));
    EXPECT_TRUE(look.Shows(Corners(kSecondDisplay, kBlack, kBlack, kBlack, kBlack))) << "fitted";
    ASSERT_TRUE(look.Choose(kFill));
    EXPECT_TRUE(look.Shows(turned)) << "filled";
}

}  // namespace
