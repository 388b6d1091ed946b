// The program itself under sway headless, started as on a Wayland desktop (a Wayland
// session, no toolkit platform chosen): it runs natively, its list comes from sway's
// toplevels, a display button's clone goes full screen on that output and shows the
// portal stand-in's stream fitted, a click shows it at natural size, a kept clone comes
// back after a restart through its restore token, and the clone goes when its window closes;
// outputs that go and come take their clones and buttons with them. The running copy is driven
// through its command line.
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <array>
#include <ranges>
#include <utility>

#include <gtest/gtest.h>

#include "tests/wayland/e2e/SwayChecks.h"
#include "tests/wayland/support/TestPattern.h"
#include "tests/wayland/support/WaylandTestSession.h"

namespace {

constexpr int kWaitMs = 20000;
const QString kCloneTitle = QStringLiteral("Window Clone");

class WaylandProgramTest : public ::testing::Test {
  protected:
    explicit WaylandProgramTest(SessionServers servers = {.pipeWire = true, .sway = true})
        : session_(servers) {}
    void SetUp() override { ASSERT_EQ(session_.Problem().toStdString(), std::string()); }

    // The program as a Wayland desktop starts it: the session type set, no platform forced.
    QStringList ProgramCommand(const QStringList& arguments) const {
        return QStringList{QStringLiteral("-u"), QStringLiteral("QT_QPA_PLATFORM"),
                           QStringLiteral("XDG_SESSION_TYPE=wayland"),
                           QStringLiteral(VANTREL_BINARY)} +
               arguments;
    }
    std::optional<QString> Command(const QStringList& arguments) {
        const auto out = session_.Run(QStringLiteral("env"), ProgramCommand(arguments));
        return out ? std::optional(QString::fromUtf8(*out)) : std::nullopt;
    }
    // The id --list gives the window titled title, or nothing.
    std::optional<QString> ListedId(const QString& title) {
        const auto listing = Command({QStringLiteral("--list")});
        if (!listing) {
            return std::nullopt;
        }
        for (const QString& line : listing->split(u'\n')) {
            const QStringList fields = line.split(u'\t');
            if (fields.size() == 4 && fields[0] == QLatin1String("window") && fields[3] == title) {
                return fields[1];
            }
        }
        return std::nullopt;
    }
    std::optional<TreePlace> Place(const QString& title) {
        const auto tree = session_.Run(QStringLiteral("swaymsg"), {"-t", "get_tree", "-r"});
        return tree ? FindInTree(QJsonDocument::fromJson(*tree).object(), title) : std::nullopt;
    }
    QImage Shot(const QString& output) {
        const QString path = session_.RuntimeDir() + QStringLiteral("/shot.png");
        QFile::remove(path);
        if (!session_.Run(QStringLiteral("grim"), {"-o", output, path})) {
            return {};
        }
        return QImage(path).convertToFormat(QImage::Format_RGB32);
    }
    // The sample window, the source and portal stand-in, and the program listing the
    // sample; the sample's id, or nothing (with the failure reported).
    std::optional<QString> StartProgramWithSample() {
        sample_ = &session_.Start(QStringLiteral(VANTREL_SAMPLE_WINDOW), {"Sample window"});
        // The window's pointer: a magenta square from (96, 56) of the picture.
        QProcess& source =
            session_.Start(QStringLiteral(VANTREL_TEST_SOURCE), {"--pointer", "100,60"});
        const auto node = WaylandTestSession::WaitForLine(source, QStringLiteral("node "), kWaitMs);
        if (!node) {
            ADD_FAILURE() << "the test source gave no node";
            return std::nullopt;
        }
        portal_ = &session_.Start(QStringLiteral(VANTREL_PORTAL_STAND_IN),
                                  {"--node", *node, "--width", "640", "--height", "480",
                                   "--pipewire-socket", session_.PipeWireSocket()});
        if (!WaylandTestSession::WaitForLine(*portal_, QStringLiteral("ready"), kWaitMs)) {
            ADD_FAILURE() << "the portal stand-in is not ready";
            return std::nullopt;
        }
        QProcess& program = session_.Start(QStringLiteral("env"), ProgramCommand({}));
        // The running copy answers only once its main window is up: no message box ended it.
        std::optional<QString> sampleId;
        if (!WaylandTestSession::WaitUntil(
                [&] { return (sampleId = ListedId(QStringLiteral("Sample window"))).has_value(); },
                kWaitMs)) {
            ADD_FAILURE() << "the sample window is not listed: "
                          << program.readAllStandardError().toStdString();
        }
        return sampleId;
    }
    // The listing's lines that start with prefix.
    QStringList Listed(const QString& prefix) {
        const auto listing = Command({QStringLiteral("--list")});
        return listing ? listing->split(u'\n').filter(
                             QRegularExpression(u'^' + QRegularExpression::escape(prefix)))
                       : QStringList();
    }
    std::vector<TreePlace> Clones() {
        const auto tree = session_.Run(QStringLiteral("swaymsg"), {"-t", "get_tree", "-r"});
        return tree ? FindAllInTree(QJsonDocument::fromJson(*tree).object(), kCloneTitle)
                    : std::vector<TreePlace>();
    }
    static std::string Keep(const QImage& shot, const char* name) {
        const QString path = QStringLiteral("/tmp/vantrel-wayland-program-%1.png").arg(name);
        return shot.save(path) ? path.toStdString() : std::string("(none)");
    }

    WaylandTestSession session_;
    QProcess* sample_ = nullptr;
    QProcess* portal_ = nullptr;
};

TEST_F(WaylandProgramTest, ListedWindowClonedFullScreenOnOutputTwo) {
    QProcess& pointer = session_.Start(QStringLiteral(VANTREL_VIRTUAL_POINTER), {"2560", "720"});
    ASSERT_TRUE(WaylandTestSession::WaitForLine(pointer, QStringLiteral("ready"), kWaitMs));
    EXPECT_EQ(Command({QStringLiteral("--diagnose")}),
              QStringLiteral("wayland, frames handed to the compositor (shm)\n"));
    const std::optional<QString> sampleId = StartProgramWithSample();
    ASSERT_TRUE(sampleId);
    QProcess& sample = *sample_;
    QProcess& portal = *portal_;
    const auto listing = Command({QStringLiteral("--list")});
    ASSERT_TRUE(listing);
    EXPECT_TRUE(listing->contains(QStringLiteral("display\t2\tHEADLESS-2\t")));
    EXPECT_FALSE(listing->contains(QStringLiteral("Window Clone"))) << "own windows left out";

    ASSERT_TRUE(Command(
        {QStringLiteral("--clone"), *sampleId, QStringLiteral("--display"), QStringLiteral("2")}));
    std::optional<TreePlace> place;
    ASSERT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            place = Place(kCloneTitle);
            return place && place->fullScreen;
        },
        kWaitMs))
        << "the clone is not full screen";
    EXPECT_EQ(place->output, QStringLiteral("HEADLESS-2"));
    EXPECT_TRUE(WaylandTestSession::WaitForLine(portal, QStringLiteral("picker"), kWaitMs))
        << "the first clone of a listed window asks the user to confirm it";

    // 640x480 fitted into 1280x720: 960x720 from x = 160, black bars beside it; the
    // window's pointer scaled with it (24x24 from 304,84).
    QImage shot;
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            shot = Shot(QStringLiteral("HEADLESS-2"));
            return ShowsPattern(shot, QRect(160, 0, 960, 720), {{80, 360}, {1200, 360}}) &&
                   Near(shot.pixelColor(316, 96), kPointerColour);
        },
        kWaitMs))
        << "fitted pattern and pointer not on output 2: " << Keep(shot, "fitted");

    pointer.write("click 1920 360\n");
    ASSERT_TRUE(WaylandTestSession::WaitForLine(pointer, QStringLiteral("clicked"), kWaitMs));
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            shot = Shot(QStringLiteral("HEADLESS-2"));
            return ShowsPattern(shot, QRect(320, 120, 640, 480),
                                {{200, 360}, {640, 60}, {1100, 660}}) &&
                   Near(shot.pixelColor(424, 184), kPointerColour);
        },
        kWaitMs))
        << "a click did not show the natural size: " << Keep(shot, "natural");

    // Kept, the clone is back on output 2 after --quit and a new start, its capture restored
    // by the portal's token without asking again.
    ASSERT_TRUE(Command({QStringLiteral("--clone"), *sampleId, QStringLiteral("--display"),
                         QStringLiteral("2"), QStringLiteral("--keep")}));
    ASSERT_TRUE(Command({QStringLiteral("--quit")}));
    ASSERT_TRUE(
        WaylandTestSession::WaitUntil([&] { return !Place(kCloneTitle).has_value(); }, kWaitMs))
        << "the clone outlived its copy";
    session_.Start(QStringLiteral("env"), ProgramCommand({}));
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            place = Place(kCloneTitle);
            shot = Shot(QStringLiteral("HEADLESS-2"));
            return place && place->fullScreen && place->output == QLatin1String("HEADLESS-2") &&
                   ShowsPattern(shot, QRect(160, 0, 960, 720), {{80, 360}, {1200, 360}});
        },
        kWaitMs))
        << "the kept clone did not come back fitted on output 2: " << Keep(shot, "kept");
    portal.waitForReadyRead(0);
    EXPECT_FALSE(portal.readAllStandardOutput().contains("picker"))
        << "the kept clone asked the user again";

    // Fitted again and cropped to its top-left quadrant, the clone shows that colour corner to
    // corner; the whole window mirrored left to right has its quadrants swapped side for side, and
    // turned 90 degrees clockwise (540x720 from x = 370) its bottom-left quadrant top left.
    const auto corners = [&](const QRect& image, const std::array<QColor, 4>& colours) {
        shot = Shot(QStringLiteral("HEADLESS-2"));
        const QRect in = image.adjusted(20, 20, -20, -20);
        const std::array<QPoint, 4> at{in.topLeft(), in.topRight(), in.bottomLeft(),
                                       in.bottomRight()};
        return std::ranges::all_of(std::views::iota(0, 4),
                                   [&](int i) { return Near(shot.pixelColor(at[i]), colours[i]); });
    };
    const QStringList again{QStringLiteral("--clone"),   *sampleId,
                            QStringLiteral("--display"), QStringLiteral("2"),
                            QStringLiteral("--mode"),    QStringLiteral("fit"),
                            QStringLiteral("--crop")};
    const QRect fitted(160, 0, 960, 720);
    ASSERT_TRUE(Command(again + QStringList{QStringLiteral("320x240+0+0")}));
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            return corners(fitted,
                           {kPatternTopLeft, kPatternTopLeft, kPatternTopLeft, kPatternTopLeft});
        },
        kWaitMs))
        << "the crop does not fill the clone: " << Keep(shot, "cropped");
    ASSERT_TRUE(
        Command(again + QStringList{QStringLiteral("640x480+0+0"), QStringLiteral("--transform"),
                                    QStringLiteral("flip-x")}));
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            return corners(fitted, {kPatternTopRight, kPatternTopLeft, kPatternBottomRight,
                                    kPatternBottomLeft});
        },
        kWaitMs))
        << "the clone is not mirrored: " << Keep(shot, "mirrored");
    ASSERT_TRUE(Command(again + QStringList{QStringLiteral("640x480+0+0"),
                                            QStringLiteral("--transform"), QStringLiteral("90")}));
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            return corners({370, 0, 540, 720}, {kPatternBottomLeft, kPatternTopLeft,
                                                kPatternBottomRight, kPatternTopRight});
        },
        kWaitMs))
        << "the clone is not turned clockwise: " << Keep(shot, "turned");

    // The window closes: its row goes, and the row's clone with it.
    sample.terminate();
    EXPECT_TRUE(
        WaylandTestSession::WaitUntil([&] { return !Place(kCloneTitle).has_value(); }, kWaitMs))
        << "the clone stayed on screen";
    EXPECT_TRUE(Command({QStringLiteral("--quit")}));
}

// Outputs that can be unplugged: sway nested in another, its outputs WL-1 and WL-2.
class WaylandOutputsTest : public WaylandProgramTest {
  protected:
    WaylandOutputsTest()
        : WaylandProgramTest({.pipeWire = true, .sway = true, .nestedOutputs = true}) {}
};

TEST_F(WaylandOutputsTest, ClonesAndButtonsFollowOutputsThatGoAndCome) {
    const std::optional<QString> sampleId = StartProgramWithSample();
    ASSERT_TRUE(sampleId);
    for (const char* display : {"1", "2"}) {
        ASSERT_TRUE(Command({QStringLiteral("--clone"), *sampleId, QStringLiteral("--display"),
                             QString::fromLatin1(display)}));
    }
    const QString window = QStringLiteral("window\t") + *sampleId + u'\t';
    const auto clonedOn = [&] { return Listed(window).value(0).section(u'\t', 2, 2); };
    std::vector<TreePlace> clones;
    ASSERT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            clones = Clones();
            return clones.size() == 2 && clones[0].fullScreen && clones[1].fullScreen;
        },
        kWaitMs))
        << clones.size() << " clones, expected two full screen";
    EXPECT_EQ(clonedOn(), QStringLiteral("1,2"));

    // Output 1 goes: its clone closes and the row keeps one button; the clone on output 2
    // stays there, full screen, and that output is now display 1.
    ASSERT_TRUE(session_.UnplugOutput(QStringLiteral("WL-1")));
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] { return Listed(QStringLiteral("display\t")).size() == 1; }, kWaitMs))
        << "the program still lists two displays";
    EXPECT_TRUE(
        WaylandTestSession::WaitUntil([&] { return clonedOn() == QLatin1String("1"); }, kWaitMs))
        << "the row's clones: " << clonedOn().toStdString();
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            clones = Clones();
            return clones.size() == 1 && clones[0].output == QLatin1String("WL-2") &&
                   clones[0].fullScreen;
        },
        kWaitMs))
        << clones.size() << " clones left, expected the one on WL-2 full screen";
    EXPECT_EQ(Listed(QStringLiteral("display\t")).value(0).section(u'\t', 0, 2),
              QStringLiteral("display\t1\tWL-2"));

    // A new output comes: two buttons again, and a press opens a clone there.
    ASSERT_TRUE(session_.Run(QStringLiteral("swaymsg"), {"create_output"}));
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] { return Listed(QStringLiteral("display\t2\tWL-3\t")).size() == 1; }, kWaitMs))
        << "the new output is not display 2: "
        << Listed(QStringLiteral("display\t")).join(u' ').toStdString();
    ASSERT_TRUE(Command(
        {QStringLiteral("--clone"), *sampleId, QStringLiteral("--display"), QStringLiteral("2")}));
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            clones = Clones();
            return clones.size() == 2 &&
                   std::any_of(clones.begin(), clones.end(), [](const TreePlace& place) {
                       return place.output == QLatin1String("WL-3") && place.fullScreen;
                   });
        },
        kWaitMs))
        << "no clone full screen on the output that came back";
    EXPECT_EQ(clonedOn(), QStringLiteral("1,2"));
    EXPECT_TRUE(Command({QStringLiteral("--quit")}));
}

// weston headless publishes no window list, and the session bus has no portal: the program
// says what to install (in its box and on standard error), commands fail at once with that
// text, also the one that had to start the copy, and the copy ends with 1.
class WaylandWithoutPortalTest : public WaylandProgramTest {
  protected:
    WaylandWithoutPortalTest() : WaylandProgramTest({.weston = true}) {}

    // The command fails within a bounded time with the text of a missing portal.
    void ExpectRefused(const QStringList& arguments) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        QProcess command;
        command.setProcessEnvironment(session_.Environment());
        QElapsedTimer clock;
        clock.start();
        command.start(QStringLiteral("env"), ProgramCommand(arguments));
        ASSERT_TRUE(command.waitForFinished(kWaitMs));
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_EQ(command.exitCode(), 1);
        const QString errors = QString::fromLocal8Bit(command.readAllStandardError());
        EXPECT_TRUE(errors.startsWith(kMissingPortal)) << errors.toStdString();
    }

    // --list's error output and status.
    std::pair<QString, int> List() {
        QProcess command;
        command.setProcessEnvironment(session_.Environment());
        command.start(QStringLiteral("env"), ProgramCommand({QStringLiteral("--list")}));
        command.waitForFinished(kWaitMs);
        return {QString::fromLocal8Bit(command.readAllStandardError()), command.exitCode()};
    }

    const QString kMissingPortal =
        QStringLiteral("vantrel: Vantrel needs the desktop portal to show live clones on Wayland.");
};

TEST_F(WaylandWithoutPortalTest, TheProgramSaysWhatToInstallAndCommandsFailAtOnce) {
    ExpectRefused({QStringLiteral("--clone"), QStringLiteral("1"), QStringLiteral("--display"),
                   QStringLiteral("1")});
    ExpectRefused({QStringLiteral("--list")});
    ASSERT_TRUE(Command({QStringLiteral("--quit")}));
    ASSERT_TRUE(WaylandTestSession::WaitUntil(
        [&] { return List().first.contains(QStringLiteral("no copy of Vantrel is running")); },
        kWaitMs))
        << "the started copy did not end after --quit";

    // Started by hand, it says the same on standard error, and ends with 0.
    QProcess& program = session_.Start(QStringLiteral("env"), ProgramCommand({}));
    ASSERT_TRUE(WaylandTestSession::WaitUntil(
        [&] { return List().first.startsWith(kMissingPortal); }, kWaitMs))
        << "the copy started by hand does not answer with the reason";
    ExpectRefused({QStringLiteral("--show")});
    ASSERT_TRUE(Command({QStringLiteral("--quit")}));
    // Already ended, or ends within the wait (waitForFinished is false for the former).
    ASSERT_TRUE(program.state() == QProcess::NotRunning || program.waitForFinished(kWaitMs));
    EXPECT_EQ(program.exitCode(), 0);
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    for (const char* needed :
         {"vantrel: Vantrel needs the desktop portal", "xdg-desktop-portal-gnome",
          "xdg-desktop-portal-kde", "xdg-desktop-portal-wlr", "QT_QPA_PLATFORM=xcb", "Xwayland"}) {
        EXPECT_TRUE(errors.contains(QString::fromLatin1(needed)))
            << needed << " in " << errors.toStdString();
    }
}

}  // namespace
