// The demonstration's screenshot shows the screen as the server has it: the right size and
// the right colours (channel and byte order), with windows drawn over the root.
#include <gtest/gtest.h>

#include <QColor>

#include "packaging/demo/ScreenGrab.h"
#include "tests/e2e/support/XvfbServer.h"

namespace {

XvfbServer::Options SmallScreen() {
    XvfbServer::Options options;
    options.width = 640;
    options.height = 400;
    return options;
}

TEST(ScreenGrab, ShowsTheWholeScreenInItsColours) {
    XvfbServer server(SmallScreen());
    ASSERT_TRUE(server.Running());
    ASSERT_EQ(RunOn(server, {"xsetroot", "-solid", "#2060a0"}), 0);

    std::string error;
    const std::optional<QImage> image = GrabScreen(server.Display(), &error);
    ASSERT_TRUE(image.has_value()) << error;
    EXPECT_EQ(image->size(), QSize(640, 400));
    for (const QPoint p : {QPoint(0, 0), QPoint(639, 0), QPoint(320, 200), QPoint(639, 399)}) {
        EXPECT_EQ(QColor(image->pixel(p)).name(), QStringLiteral("#2060a0"))
            << p.x() << "," << p.y();
    }
}

TEST(ScreenGrab, ReportsADisplayThatCannotBeOpened) {
    // No server runs there. (A server started and stopped again frees its number, which the
    // next test's Xvfb, in parallel, may take at once: lowest free numbers are handed out.)
    const std::string display = ":4987";

    std::string error;
    EXPECT_FALSE(GrabScreen(display, &error).has_value());
    EXPECT_EQ(error, "cannot open display \"" + display + "\"");
}

}  // namespace
