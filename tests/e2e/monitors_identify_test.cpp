// The identify operation on a real X server: one overlay per RandR monitor, numbered
// primary first, covering exactly that monitor, opaque and showing its digit; all gone when
// the operation returns.
#include <gtest/gtest.h>

#include <QProcess>

#include <vector>

#include "tests/e2e/support/WaitUntil.h"
#include "tests/e2e/support/XClient.h"
#include "tests/e2e/support/XvfbServer.h"

namespace {

constexpr int kSeconds = 4;

QString Title(int number) {
    return QStringLiteral("Monitor %1").arg(number);
}

TEST(MonitorsIdentifyE2e, OneNumberedOverlayPerMonitorWhileWaiting) {
    XvfbServer server;
    ASSERT_TRUE(server.Running());
    // Numbered primary first, then by left, then by top.
    ASSERT_TRUE(server.SetMonitors(
        {{0, 0, 1280, 720, false}, {1280, 0, 1920, 1080, true}, {0, 720, 1280, 360, false}}));
    const std::vector<QRect> expected = {QRect(1280, 0, 1920, 1080), QRect(0, 0, 1280, 720),
                                         QRect(0, 720, 1280, 360)};

    QProcess probe;
    QProcessEnvironment env = server.Environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(VANTREL_IDENTIFY_PROBE), {QString::number(kSeconds)});
    ASSERT_TRUE(probe.waitForStarted(5000));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const QRect r = expected[i];
        EXPECT_EQ(ReadLineWithin(probe, 10000), QStringLiteral("monitor %1 %2 %3 %4 %5")
                                                    .arg(i)
                                                    .arg(r.x())
                                                    .arg(r.y())
                                                    .arg(r.width())
                                                    .arg(r.height())
                                                    .toUtf8());
    }
    ASSERT_EQ(ReadLineWithin(probe, 10000), "shown");

    XClient x(server.Display());
    ASSERT_TRUE(x.Connected());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const QString title = Title(static_cast<int>(i) + 1);
        std::vector<std::uint32_t> windows;
        ASSERT_TRUE(WaitUntil(
            [&] { return !(windows = x.FindViewableWindowsByTitle(title)).empty(); }, 3000));
        EXPECT_EQ(windows.size(), 1u);
        const QRect r = expected[i];
        ASSERT_TRUE(WaitUntil([&] { return x.Geometry(windows[0]) == r; }, 3000))
            << "overlay at " << x.Geometry(windows[0]).value_or(QRect()).x();
        // Opaque light background in the corner, a dark digit in the middle.
        EXPECT_TRUE(WaitUntil([&] { return !IsDark(x.PixelAt(r.x() + 4, r.y() + 4)); }, 3000));
        const QRect middle(r.center() - QPoint(60, 60), QSize(120, 120));
        // Pixels of the window-text colour in the middle of the overlay: the digit.
        EXPECT_GT(CountPixels(x.Grab(middle), IsDark), 200);
    }

    const QByteArray returned = ReadLineWithin(probe, (kSeconds + 10) * 1000);
    ASSERT_TRUE(returned.startsWith("returned ")) << returned.constData();
    EXPECT_GE(returned.mid(9).toLongLong(), kSeconds * 1000);
    for (int number = 1; number <= 3; ++number) {
        EXPECT_TRUE(x.FindViewableWindowsByTitle(Title(number)).empty()) << number;
    }

    probe.write("quit\n");
    probe.closeWriteChannel();
    ASSERT_TRUE(probe.waitForFinished(10000));
    EXPECT_EQ(probe.exitCode(), 0);
}

}  // namespace
