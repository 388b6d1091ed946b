// End to end under sway headless (two 1280x720 outputs, software rendering): the backend
// lists sway's windows, a window chosen through the portal stand-in is cloned full screen on
// output 2, the screenshot shows the test pattern fitted, a click shows it at natural size,
// a resized source is fitted again, and the stream's end removes the clone. Runs as an
// unprivileged user (sway refuses root).
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <array>

#include "tests/wayland/e2e/SwayChecks.h"
#include "tests/wayland/support/WaylandTestSession.h"

namespace {

constexpr int kWaitMs = 20000;

class WaylandEndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(session_.Problem(), QString()); }

    std::optional<TreePlace> Place(const QString& title) {
        const auto tree = session_.Run(QStringLiteral("swaymsg"), {"-t", "get_tree", "-r"});
        return tree ? FindInTree(QJsonDocument::fromJson(*tree).object(), title) : std::nullopt;
    }
    // Keeps a screenshot for the developer after a failure; gives its path.
    static std::string Keep(const QImage& shot, const char* name) {
        const QString path = QStringLiteral("/tmp/vantrel-wayland-e2e-%1.png").arg(name);
        return shot.save(path) ? path.toStdString() : std::string("(none)");
    }
    // The demo's account of its clones: frames received and drawn, view and clone sizes.
    static std::string Stats(QProcess& demo) {
        demo.write("stats\n");
        const QString stats = WaylandTestSession::WaitForLine(demo, QStringLiteral("stats"), 5000)
                                  .value_or(QStringLiteral("(no stats)"));
        return (stats + QStringLiteral("; its errors: ") +
                QString::fromLocal8Bit(demo.readAllStandardError()))
            .toStdString();
    }
    QImage Shot(const QString& output) {
        const QString path = session_.RuntimeDir() + QStringLiteral("/shot.png");
        QFile::remove(path);
        if (!session_.Run(QStringLiteral("grim"), {"-o", output, path})) {
            return {};
        }
        return QImage(path).convertToFormat(QImage::Format_RGB32);
    }

    WaylandTestSession session_{SessionServers{.pipeWire = true, .sway = true}};
};

TEST_F(WaylandEndToEndTest, CloneOfAChosenWindowOnOutputTwo) {
    // The seat's pointer exists before any client starts.
    QProcess& pointer = session_.Start(QStringLiteral(VANTREL_VIRTUAL_POINTER), {"2560", "720"});
    ASSERT_TRUE(WaylandTestSession::WaitForLine(pointer, QStringLiteral("ready"), kWaitMs));
    QProcess& sample = session_.Start(QStringLiteral(VANTREL_SAMPLE_WINDOW), {"Sample window"});
    // The window's pointer moves in every second buffer, which carries no picture.
    QProcess& source = session_.Start(QStringLiteral(VANTREL_TEST_SOURCE),
                                      {"--pointer", "300,200", "--pointer-wanders"});
    const auto node = WaylandTestSession::WaitForLine(source, QStringLiteral("node "), kWaitMs);
    ASSERT_TRUE(node) << "the test source gave no node";
    QProcess& portal = session_.Start(QStringLiteral(VANTREL_PORTAL_STAND_IN),
                                      {"--node", *node, "--width", "640", "--height", "480",
                                       "--pipewire-socket", session_.PipeWireSocket()});
    ASSERT_TRUE(WaylandTestSession::WaitForLine(portal, QStringLiteral("ready"), kWaitMs));

    QProcess& demo = session_.Start(QStringLiteral(VANTREL_PROGRAM), {"-platform", "wayland"});
    ASSERT_EQ(WaylandTestSession::WaitForLine(demo, QStringLiteral("can-choose"), kWaitMs),
              QStringLiteral("no"))
        << "sway publishes its window list: " << demo.readAllStandardError().toStdString();
    ASSERT_EQ(WaylandTestSession::WaitForLine(demo, QStringLiteral("displays"), kWaitMs),
              QStringLiteral("HEADLESS-1,HEADLESS-2"));
    const auto sampleRow = WaylandTestSession::WaitForLine(demo, QStringLiteral("rows "), kWaitMs);
    ASSERT_TRUE(sampleRow && sampleRow->contains(QStringLiteral("=Sample window")))
        << "the list comes from sway's toplevels";
    EXPECT_FALSE(sampleRow->contains(QStringLiteral("Vantrel demo"))) << "own windows left out";

    // A listed window: the first clone asks the portal once, the next uses the row's token.
    const QString sampleHandle = sampleRow->section(u'=', 0, 0);
    const QRect fitted(160, 0, 960, 720);
    QImage shot;
    for (int round = 0; round < 2; ++round) {
        demo.write(QStringLiteral("clone %1 0\n").arg(sampleHandle).toUtf8());
        ASSERT_EQ(WaylandTestSession::WaitForLine(demo, QStringLiteral("clone-shown"), kWaitMs),
                  sampleHandle + QStringLiteral(" ok"));
        EXPECT_TRUE(WaylandTestSession::WaitUntil(
            [&] {
                shot = Shot(QStringLiteral("HEADLESS-1"));
                return ShowsPattern(shot, fitted, {{80, 360}, {1200, 360}});
            },
            kWaitMs))
            << "listed window's clone, round " << round << ": " << Keep(shot, "listed") << " "
            << Stats(demo);
        demo.write(QStringLiteral("unclone %1\n").arg(sampleHandle).toUtf8());
        ASSERT_EQ(WaylandTestSession::WaitForLine(demo, QStringLiteral("clone-closed"), kWaitMs),
                  sampleHandle);
    }
    EXPECT_TRUE(WaylandTestSession::WaitForLine(portal, QStringLiteral("picker"), 100))
        << "the first press asks the user to confirm the window";
    EXPECT_FALSE(WaylandTestSession::WaitForLine(portal, QStringLiteral("picker"), 100))
        << "the second press restores the choice without the picker";

    demo.write("choose\n");
    std::optional<QString> rows;
    ASSERT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            rows = WaylandTestSession::WaitForLine(demo, QStringLiteral("rows "), 200);
            return rows && rows->contains(QStringLiteral("=Window 1"));
        },
        kWaitMs));
    const QString chosen = rows->split(u'|').last().section(u'=', 0, 0);

    demo.write(QStringLiteral("clone %1 1\n").arg(chosen).toUtf8());
    ASSERT_EQ(WaylandTestSession::WaitForLine(demo, QStringLiteral("clone-shown"), kWaitMs),
              chosen + QStringLiteral(" ok"));
    std::optional<TreePlace> place;
    ASSERT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            place = Place(QStringLiteral("Vantrel clone"));
            return place && place->fullScreen;
        },
        kWaitMs))
        << "the clone is not full screen";
    EXPECT_EQ(place->output, QStringLiteral("HEADLESS-2"));

    // 640x480 fitted into 1280x720: 960x720 from x = 160, black bars beside it.
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            shot = Shot(QStringLiteral("HEADLESS-2"));
            return ShowsPattern(shot, fitted, {{80, 360}, {1200, 360}});
        },
        kWaitMs))
        << "fitted pattern not on output 2; screenshot: " << Keep(shot, "fitted") << " "
        << Stats(demo);
    // sway's pixman renderer publishes no linux-dmabuf: the stream offered no DMA-BUF.
    EXPECT_NE(Stats(demo).find(" dmabuf-formats=0"), std::string::npos) << Stats(demo);

    // On the image, which a subsurface draws: the click must still reach the clone.
    pointer.write("click 1920 360\n");
    ASSERT_TRUE(WaylandTestSession::WaitForLine(pointer, QStringLiteral("clicked"), kWaitMs));
    ASSERT_EQ(WaylandTestSession::WaitForLine(demo, QStringLiteral("mode"), kWaitMs),
              QStringLiteral("natural"))
        << "the click did not reach the clone";
    const QRect natural(320, 120, 640, 480);
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            shot = Shot(QStringLiteral("HEADLESS-2"));
            return ShowsPattern(shot, natural, {{200, 360}, {640, 60}, {1100, 660}});
        },
        kWaitMs))
        << "natural size not shown; screenshot: " << Keep(shot, "natural") << " " << Stats(demo);

    // Image buffers go to the compositor with pictures only: a pointer move attaches none.
    const auto counts = [&demo] {
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("frames=(\\d+) .* handed=(\\d+) pointer=(\\d+)"))
                .match(QString::fromStdString(Stats(demo)));
        return std::array<int, 3>{match.captured(1).toInt(), match.captured(2).toInt(),
                                  match.captured(3).toInt()};
    };
    const std::array<int, 3> before = counts();
    std::array<int, 3> after{};
    ASSERT_TRUE(WaylandTestSession::WaitUntil(
        [&] { return (after = counts())[0] >= before[0] + 10; }, kWaitMs));
    EXPECT_NE(after[2], before[2]) << "the pointer did not move";
    EXPECT_EQ(after[1] - before[1], after[0] - before[0])
        << "image buffers attached beyond the pictures received";

    // The window changes size while cloned (the stream is negotiated again): back in fit
    // mode, 480x480 fills 720x720 from x = 280, its corners there and black beside them.
    pointer.write("click 1920 360\n");
    ASSERT_TRUE(WaylandTestSession::WaitForLine(pointer, QStringLiteral("clicked"), kWaitMs));
    ASSERT_EQ(WaylandTestSession::WaitForLine(demo, QStringLiteral("mode"), kWaitMs),
              QStringLiteral("fit"));
    // Nothing else waits on the source's pipes, so the line is sent here.
    source.write("size 480 480\n");
    ASSERT_TRUE(source.waitForBytesWritten(kWaitMs));
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] {
            return FillsArea(shot = Shot(QStringLiteral("HEADLESS-2")), {280, 0, 720, 720});
        },
        kWaitMs))
        << "resized source not fitted; screenshot: " << Keep(shot, "resized") << " " << Stats(demo);

    source.terminate();
    EXPECT_EQ(WaylandTestSession::WaitForLine(demo, QStringLiteral("clone-closed"), kWaitMs),
              chosen);
    EXPECT_TRUE(WaylandTestSession::WaitUntil(
        [&] { return !Place(QStringLiteral("Vantrel clone")); }, kWaitMs))
        << "the clone stayed on screen";
    sample.terminate();
}

}  // namespace
