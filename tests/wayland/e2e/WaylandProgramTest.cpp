// The program itself under sway headless, started as on a Wayland desktop (a Wayland
// session, no toolkit platform chosen): it runs natively, its list comes from sway's
// toplevels, a display button's clone goes full screen on that output and shows the
// portal stand-in's stream fitted, a click shows it at natural size, and the clone goes
// when its window closes. The running copy is driven through its command line.
#include <QJsonDocument>
#include <QStringList>

#include <gtest/gtest.h>

#include "tests/wayland/e2e/SwayChecks.h"
#include "tests/wayland/support/WaylandTestSession.h"

namespace {

constexpr int kWaitMs = 20000;
const QString kCloneTitle = QStringLiteral("Window Clone");

class WaylandProgramTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(session_.Problem(), QString()); }

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
    static std::string Keep(const QImage& shot, const char* name) {
        const QString path = QStringLiteral("/tmp/vantrel-wayland-program-%1.png").arg(name);
        return shot.save(path) ? path.toStdString() : std::string("(none)");
    }

    WaylandTestSession session_{SessionServers{.pipeWire = true, .sway = true}};
};

TEST_F(WaylandProgramTest, ListedWindowClonedFullScreenOnOutputTwo) {
    QProcess& pointer = session_.Start(QStringLiteral(VANTREL_VIRTUAL_POINTER), {"2560", "720"});
    ASSERT_TRUE(WaylandTestSession::WaitForLine(pointer, QStringLiteral("ready"), kWaitMs));
    QProcess& sample = session_.Start(QStringLiteral(VANTREL_SAMPLE_WINDOW), {"Sample window"});
    QProcess& source = session_.Start(QStringLiteral(VANTREL_TEST_SOURCE), {});
    const auto node = WaylandTestSession::WaitForLine(source, QStringLiteral("node "), kWaitMs);
    ASSERT_TRUE(node) << "the test source gave no node";
    QProcess& portal = session_.Start(QStringLiteral(VANTREL_PORTAL_STAND_IN),
                                      {"--node", *node, "--width", "640", "--height", "480",
                                       "--pipewire-socket", session_.PipeWireSocket()});
    ASSERT_TRUE(WaylandTestSession::WaitForLine(portal, QStringLiteral("ready"), kWaitMs));

    QProcess& program = session_.Start(QStringLiteral("env"), ProgramCommand({}));
    // The running copy answers only once its main window is up: no message box ended it.
    std::optional<QString> sampleId;
    ASSERT_TRUE(WaylandTestSession::WaitUntil(
        [&] { return (sampleId = ListedId(QStringLiteral("Sample window"))).has_value(); },
        kWaitMs))
        << "the sample window is not listed: " << program.readAllStandardError().toStdString();
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

    // 640x480 fitted into 1280x720: 960x720 from x = 160, black bars beside it.
    QImage shot;
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            shot = Shot(QStringLiteral("HEADLESS-2"));
            return ShowsPattern(shot, QRect(160, 0, 960, 720), {{80, 360}, {1200, 360}});
        },
        kWaitMs))
        << "fitted pattern not on output 2: " << Keep(shot, "fitted");

    pointer.write("click 1920 360\n");
    ASSERT_TRUE(WaylandTestSession::WaitForLine(pointer, QStringLiteral("clicked"), kWaitMs));
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            shot = Shot(QStringLiteral("HEADLESS-2"));
            return ShowsPattern(shot, QRect(320, 120, 640, 480),
                                {{200, 360}, {640, 60}, {1100, 660}});
        },
        kWaitMs))
        << "a click did not show the natural size: " << Keep(shot, "natural");

    // The window closes: its row goes, and the row's clone with it.
    sample.terminate();
    EXPECT_TRUE(
        WaylandTestSession::WaitUntil([&] { return !Place(kCloneTitle).has_value(); }, kWaitMs))
        << "the clone stayed on screen";
    EXPECT_TRUE(Command({QStringLiteral("--quit")}));
}

}  // namespace
