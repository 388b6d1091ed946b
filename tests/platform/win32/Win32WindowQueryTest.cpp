// The window query of the Win32 backend against real windows of another process, and the
// monitors of the desktop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32WindowQuery.h"
#include "tests/platform/win32/Win32TestSupport.h"

namespace {

// Windows shown by a child process, since the query leaves out the program's own.
class Win32WindowQuery : public testing::Test {
  protected:
    void SetUp() override {
        const std::wstring eventName = L"VantrelTestQuit-" + std::to_wstring(GetCurrentProcessId());
        FQuit = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
        ASSERT_NE(FQuit, nullptr);
        FChild = std::make_unique<TChildProcess>(L"--child-windows " + eventName,
                                                 std::vector<std::wstring>{});
        ASSERT_TRUE(FChild->Started());
        std::vector<std::string> lines;
        ASSERT_TRUE(FChild->ReadUntilReady(&lines));
        for (const std::string& line : lines) {
            std::istringstream fields(line);
            std::string role;
            unsigned long handle = 0;
            fields >> role >> handle;
            FForeign[role] = static_cast<WindowHandle>(handle);
        }
        ASSERT_EQ(FForeign.size(), 9u);
        FPlatform = CreateWin32Platform();
    }

    void TearDown() override {
        if (FQuit != nullptr) {
            SetEvent(FQuit);
        }
        if (FChild) {
            EXPECT_EQ(FChild->Wait(), 0);
        }
        if (FQuit != nullptr) {
            CloseHandle(FQuit);
        }
    }

    std::vector<WindowHandle> Snapshot(WindowHandle application = 0) {
        FPlatform->BuildList(application);
        std::vector<WindowHandle> items;
        for (int i = 1; i <= FPlatform->GetListCount(); ++i) {
            items.push_back(FPlatform->GetListItem(i));
        }
        return items;
    }

    static bool Contains(const std::vector<WindowHandle>& list, WindowHandle window) {
        return std::find(list.begin(), list.end(), window) != list.end();
    }

    std::u16string Title(WindowHandle window, int maxCount, int* copied) {
        std::u16string buffer(static_cast<std::size_t>(std::max(maxCount, 1)) + 4, u'#');
        *copied = FPlatform->GetWindowText(window, buffer.data(), maxCount);
        return buffer;
    }

    HANDLE FQuit = nullptr;
    std::unique_ptr<TChildProcess> FChild;
    std::map<std::string, WindowHandle> FForeign;
    std::unique_ptr<TPlatform> FPlatform;
};

TEST_F(Win32WindowQuery, ListsWindowsAUserCanSwitchTo) {
    const std::vector<WindowHandle> list = Snapshot();
    struct Expectation {
        const char* role;
        bool listed;
    };
    const Expectation expectations[] = {
        {"unicode", true}, {"long", true},  {"untitled", true}, {"ownedapp", true},
        {"hidden", false}, {"tool", false}, {"owned", false},
    };
    for (const Expectation& e : expectations) {
        EXPECT_EQ(Contains(list, FForeign[e.role]), e.listed) << e.role;
    }
    EXPECT_EQ(FPlatform->GetListItem(0), 0u);
    EXPECT_EQ(FPlatform->GetListItem(FPlatform->GetListCount() + 1), 0u);
}

TEST_F(Win32WindowQuery, LeavesOutTheProgramsOwnWindows) {
    const TOwnWindow application(L"Quillane Vantrel", 0, nullptr, true);
    const TOwnWindow main(L"Main", 0, nullptr, true);
    const std::vector<WindowHandle> list = Snapshot(ToWindowHandle(application.Get()));
    EXPECT_FALSE(Contains(list, ToWindowHandle(application.Get())));
    EXPECT_FALSE(Contains(list, ToWindowHandle(main.Get())));
    EXPECT_TRUE(Contains(list, FForeign["unicode"]));
}

TEST_F(Win32WindowQuery, TitlesAreReadInUtf16WithinTheCallersBound) {
    Snapshot();
    const std::wstring unicodeWide = UnicodeTitle();
    const std::u16string unicode(unicodeWide.begin(), unicodeWide.end());
    const std::wstring longWide = LongTitle();
    const std::u16string longTitle(longWide.begin(), longWide.end());
    struct Case {
        const char* role;
        int maxCount;
        std::u16string expected;
    };
    const Case cases[] = {
        {"unicode", 256, unicode}, {"unicode", 4, unicode.substr(0, 3)},
        {"unicode", 1, u""},       {"long", 1024, longTitle},
        {"long", 601, longTitle},  {"long", 600, longTitle.substr(0, 599)},
        {"untitled", 64, u""},
    };
    for (const Case& c : cases) {
        int copied = -1;
        const std::u16string buffer = Title(FForeign[c.role], c.maxCount, &copied);
        EXPECT_EQ(copied, static_cast<int>(c.expected.size())) << c.role << " " << c.maxCount;
        EXPECT_EQ(buffer.substr(0, c.expected.size()), c.expected) << c.role << " " << c.maxCount;
        EXPECT_EQ(buffer[c.expected.size()], u'\0') << c.role << " " << c.maxCount;
        EXPECT_EQ(buffer[static_cast<std::size_t>(c.maxCount)], u'#') << "wrote past the bound";
    }
    char16_t untouched = u'#';
    EXPECT_EQ(FPlatform->GetWindowText(FForeign["unicode"], &untouched, 0), 0);
    EXPECT_EQ(untouched, u'#');
    EXPECT_EQ(FPlatform->GetWindowText(FForeign["unicode"], nullptr, 16), 0);
}

TEST_F(Win32WindowQuery, SnapshotFollowsWindowsThatAreHiddenOrClosed) {
    const WindowHandle hide = FForeign["tohide"];
    const WindowHandle close = FForeign["toclose"];
    const std::vector<WindowHandle> before = Snapshot();
    ASSERT_TRUE(Contains(before, hide));
    ASSERT_TRUE(Contains(before, close));
    ShowWindowAsync(ToHwnd(hide), SW_HIDE);
    PostMessageW(ToHwnd(close), WM_CLOSE, 0, 0);
    ASSERT_TRUE(
        PollUntil([&] { return !IsWindowVisible(ToHwnd(hide)) && !IsWindow(ToHwnd(close)); }));

    // The list calls read the snapshot taken before; the closed window's title reads empty.
    std::vector<WindowHandle> reread;
    for (int i = 1; i <= FPlatform->GetListCount(); ++i) {
        reread.push_back(FPlatform->GetListItem(i));
    }
    EXPECT_EQ(reread, before);
    int copied = -1;
    const std::u16string title = Title(close, 32, &copied);
    EXPECT_EQ(copied, 0);
    EXPECT_EQ(title[0], u'\0');

    const std::vector<WindowHandle> after = Snapshot();
    EXPECT_FALSE(Contains(after, hide));
    EXPECT_FALSE(Contains(after, close));
    EXPECT_TRUE(Contains(after, FForeign["unicode"]));
}

TEST(Win32Handles, WindowHandlesRoundTripThroughThirtyTwoBits) {
    const TOwnWindow window(L"Handle", 0, nullptr, false);
    ASSERT_NE(window.Get(), nullptr);
    EXPECT_EQ(ToHwnd(ToWindowHandle(window.Get())), window.Get());
    // Restoring sign-extends, as Windows defines for handles passed between 32 and 64 bits.
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(ToHwnd(0xFFFF1234u)),
              static_cast<std::uintptr_t>(0xFFFFFFFFFFFF1234ull));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(ToHwnd(0x00401234u)), 0x00401234u);
}

TEST(Win32Monitors, AreNumberedPrimaryFirstThenByLeftThenTop) {
    auto entry = [](int left, int top, bool primary) {
        return MonitorEntry{{left, top, 100, 100}, primary};
    };
    std::vector<MonitorEntry> monitors = {entry(1920, 0, false), entry(-1280, 200, false),
                                          entry(0, 0, true), entry(1920, -1080, false),
                                          entry(-1280, -824, false)};
    SortMonitors(monitors);
    const std::vector<std::pair<int, int>> expected = {
        {0, 0}, {-1280, -824}, {-1280, 200}, {1920, -1080}, {1920, 0}};
    ASSERT_EQ(monitors.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(monitors[i].rect.left, expected[i].first) << i;
        EXPECT_EQ(monitors[i].rect.top, expected[i].second) << i;
    }
}

// Wine's virtual desktop is one monitor of the desktop's size. The script that runs the
// tests names that size in VANTREL_TEST_DESKTOP ("1280x1024").
TEST(Win32Monitors, DesktopMonitorIsReportedWholeAndOutOfRangeIsEmpty) {
    const auto platform = CreateWin32Platform();
    const int count = platform->GetMonitorCount();
    ASSERT_GE(count, 1);
    const DisplayRect primary = platform->GetMonitorInfo(0);
    EXPECT_EQ(primary.left, 0);
    EXPECT_EQ(primary.top, 0);
    EXPECT_EQ(primary.width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(primary.height, GetSystemMetrics(SM_CYSCREEN));
    if (const char* desktop = std::getenv("VANTREL_TEST_DESKTOP")) {
        EXPECT_EQ(count, 1);
        EXPECT_EQ(std::to_string(primary.width) + "x" + std::to_string(primary.height), desktop);
    }
    for (const int outside : {count, count + 5, -1}) {
        EXPECT_EQ(platform->GetMonitorInfo(outside), DisplayRect{}) << outside;
    }
}

}  // namespace
