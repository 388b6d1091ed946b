// The displays of the Win32 backend: the numbering rule, the desktop's monitors as Wine
// reports them, and the change announced when Windows sends WM_DISPLAYCHANGE.
#include <gtest/gtest.h>

#include <QWindow>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/Win32DisplayList.h"
#include "tests/platform/win32/Win32TestSupport.h"

namespace {

TEST(Win32Displays, AreNumberedPrimaryFirstThenByLeftThenTop) {
    auto entry = [](int left, int top, bool primary) {
        return DisplayEntry{{QRect(left, top, 100, 100), QString()}, primary};
    };
    std::vector<DisplayEntry> monitors = {entry(1920, 0, false), entry(-1280, 200, false),
                                          entry(0, 0, true), entry(1920, -1080, false),
                                          entry(-1280, -824, false)};
    SortDisplays(monitors);
    const std::vector<QPoint> expected = {
        {0, 0}, {-1280, -824}, {-1280, 200}, {1920, -1080}, {1920, 0}};
    ASSERT_EQ(monitors.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(monitors[i].display.rect.topLeft(), expected[i]) << i;
    }
}

// The script that runs the tests names the desktop's size in VANTREL_TEST_DESKTOP
// ("1280x1024"): Wine reports the X screen as one monitor.
TEST(Win32Displays, DesktopMonitorIsReportedWholeWithItsDeviceName) {
    Win32DisplayList displays;
    const std::vector<DisplayInfo> list = displays.Displays();
    ASSERT_GE(list.size(), 1u);
    EXPECT_EQ(list[0].rect.topLeft(), QPoint(0, 0));
    EXPECT_EQ(list[0].rect.width(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(list[0].rect.height(), GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(list[0].name.startsWith("\\\\.\\DISPLAY")) << list[0].name.toStdString();
    const char* desktop = std::getenv("VANTREL_TEST_DESKTOP");
    ASSERT_NE(desktop, nullptr) << "scripts/test-win32 names the desktop's size";
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(std::to_string(list[0].rect.width()) + "x" + std::to_string(list[0].rect.height()),
              desktop);
    EXPECT_EQ(displays.Count(), static_cast<int>(list.size()));
}

TEST(Win32Displays, DisplayChangeSentToAQtWindowIsAnnounced) {
    Win32DisplayList displays;
    int changes = 0;
    QObject::connect(&displays, &DisplayList::Changed, [&] { ++changes; });
    QWindow window;
    window.create();
    const auto hwnd = reinterpret_cast<HWND>(window.winId());
    ASSERT_NE(hwnd, nullptr);
    SendMessageW(hwnd, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
    EXPECT_EQ(changes, 1);
    // Other messages are not taken for a change.
    SendMessageW(hwnd, WM_SETTINGCHANGE, 0, 0);
    EXPECT_EQ(changes, 1);
}

}  // namespace
