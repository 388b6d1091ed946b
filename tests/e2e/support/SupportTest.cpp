// Checks the e2e fixture itself: a private Xvfb with RandR monitors, a colour client whose
// pixels and title can be read back, and synthetic input.
#include <gtest/gtest.h>

#include "tests/e2e/support/TestProgram.h"
#include "tests/e2e/support/WaitUntil.h"
#include "tests/e2e/support/XClient.h"
#include "tests/e2e/support/XvfbServer.h"

namespace {

TEST(E2eSupport, ServerMonitorsAndColourClient) {
    XvfbServer server;
    ASSERT_TRUE(server.Running());
    ASSERT_TRUE(server.SetMonitors({{0, 0, 1280, 720, false}, {1280, 0, 1920, 1080, true}}));
    std::string listing;
    ASSERT_EQ(RunOn(server, {"xrandr", "--listmonitors"}, &listing), 0);
    EXPECT_NE(listing.find("Monitors: 2"), std::string::npos) << listing;
    EXPECT_NE(listing.find("*V2 1920/"), std::string::npos) << listing;

    TestProgram client(
        QStringLiteral(VANTREL_COLOUR_CLIENT),
        {"--title", "Grüße", "--width", "200", "--height", "100", "--x", "10", "--y", "20"},
        server.Environment());
    ASSERT_TRUE(client.Started());
    EXPECT_NE(client.ReadAnnouncedWindow(5000), 0u);

    XClient x(server.Display());
    ASSERT_TRUE(x.Connected());
    std::vector<std::uint32_t> windows;
    ASSERT_TRUE(WaitUntil(
        [&] { return !(windows = x.FindViewableWindowsByTitle("Grüße")).empty(); }, 5000));
    EXPECT_EQ(x.Geometry(windows[0]), QRect(10, 20, 200, 100));
    // Quadrants: red, green, blue, white; painted after the first expose.
    ASSERT_TRUE(WaitUntil([&] { return SameColour(x.PixelAt(60, 45), qRgb(255, 0, 0), 0); }, 5000));
    EXPECT_TRUE(SameColour(x.PixelAt(160, 45), qRgb(0, 255, 0), 0));
    EXPECT_TRUE(SameColour(x.PixelAt(60, 95), qRgb(0, 0, 255), 0));
    EXPECT_TRUE(SameColour(x.PixelAt(160, 95), qRgb(255, 255, 255), 0));

    client.Write("title Renamed");
    ASSERT_TRUE(WaitUntil([&] { return x.Title(windows[0]) == "Renamed"; }, 5000));

    x.RequestClose(windows[0]);
    EXPECT_EQ(client.WaitForExit(5000), 0);
}

TEST(E2eSupport, ServerWithoutComposite) {
    XvfbServer::Options options;
    options.composite = false;
    XvfbServer server(options);
    ASSERT_TRUE(server.Running());
    std::string extensions;
    ASSERT_EQ(RunOn(server, {"xdpyinfo", "-queryExtensions"}, &extensions), 0);
    EXPECT_EQ(extensions.find("Composite"), std::string::npos);
}

}  // namespace
