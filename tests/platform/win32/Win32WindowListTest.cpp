// The window list of the Win32 backend against real windows of another process.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32WindowList.h"
#include "tests/platform/win32/Win32TestSupport.h"

namespace {

// Windows shown by a child process, since the list leaves out the program's own.
class Win32WindowListTest : public testing::Test {
  protected:
    void SetUp() override {
        const std::wstring eventName = L"VantrelTestQuit-" + std::to_wstring(GetCurrentProcessId());
        quit_ = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
        ASSERT_NE(quit_, nullptr);
        child_ = std::make_unique<ChildProcess>(L"--child-windows " + eventName,
                                                std::vector<std::wstring>{});
        ASSERT_TRUE(child_->Started());
        std::vector<std::string> lines;
        ASSERT_TRUE(child_->ReadUntilReady(&lines));
        for (const std::string& line : lines) {
            std::istringstream fields(line);
            std::string role;
            unsigned long handle = 0;
            fields >> role >> handle;
            foreign_[role] = static_cast<WindowHandle>(handle);
        }
        ASSERT_EQ(foreign_.size(), 9u);
    }

    void TearDown() override {
        if (quit_ != nullptr) {
            SetEvent(quit_);
        }
        if (child_) {
            EXPECT_EQ(child_->Wait(), 0);
        }
        if (quit_ != nullptr) {
            CloseHandle(quit_);
        }
    }

    static const ListedWindow* Find(const std::vector<ListedWindow>& list, WindowHandle window) {
        const auto found = std::find_if(list.begin(), list.end(),
                                        [&](const ListedWindow& w) { return w.handle == window; });
        return found == list.end() ? nullptr : &*found;
    }

    HANDLE quit_ = nullptr;
    std::unique_ptr<ChildProcess> child_;
    std::map<std::string, WindowHandle> foreign_;
    Win32WindowList list_;
};

TEST_F(Win32WindowListTest, ListsWindowsAUserCanSwitchToWithTheirWholeTitles) {
    const std::vector<ListedWindow> list = list_.Snapshot(0);
    struct Expectation {
        const char* role;
        bool listed;
        std::wstring title;
    };
    const Expectation expectations[] = {
        {"unicode", true, UnicodeTitle()},
        {"long", true, LongTitle()},
        {"untitled", true, L""},
        {"ownedapp", true, L"Owned app"},
        {"hidden", false, L""},
        {"tool", false, L""},
        {"owned", false, L""},
    };
    for (const Expectation& e : expectations) {
        const ListedWindow* found = Find(list, foreign_[e.role]);
        EXPECT_EQ(found != nullptr, e.listed) << e.role;
        if (found != nullptr) {
            EXPECT_EQ(found->title, QString::fromStdWString(e.title)) << e.role;
        }
    }
}

TEST_F(Win32WindowListTest, LeavesOutTheProgramsOwnWindows) {
    const OwnWindow application(L"Quillane Vantrel", 0, nullptr, true);
    const OwnWindow main(L"Main", 0, nullptr, true);
    const std::vector<ListedWindow> list = list_.Snapshot(ToWindowHandle(application.Get()));
    EXPECT_EQ(Find(list, ToWindowHandle(application.Get())), nullptr);
    EXPECT_EQ(Find(list, ToWindowHandle(main.Get())), nullptr);
    EXPECT_NE(Find(list, foreign_["unicode"]), nullptr);
}

TEST_F(Win32WindowListTest, NextSnapshotFollowsWindowsThatAreHiddenOrClosed) {
    const WindowHandle hide = foreign_["tohide"];
    const WindowHandle close = foreign_["toclose"];
    const std::vector<ListedWindow> before = list_.Snapshot(0);
    ASSERT_NE(Find(before, hide), nullptr);
    ASSERT_NE(Find(before, close), nullptr);
    ShowWindowAsync(ToHwnd(hide), SW_HIDE);
    PostMessageW(ToHwnd(close), WM_CLOSE, 0, 0);
    ASSERT_TRUE(
        PollUntil([&] { return !IsWindowVisible(ToHwnd(hide)) && !IsWindow(ToHwnd(close)); }));
    EXPECT_EQ(ReadWindowTitle(ToHwnd(close)), QString());

    const std::vector<ListedWindow> after = list_.Snapshot(0);
    EXPECT_EQ(Find(after, hide), nullptr);
    EXPECT_EQ(Find(after, close), nullptr);
    EXPECT_NE(Find(after, foreign_["unicode"]), nullptr);
}

TEST_F(Win32WindowListTest, IdentifiesAWindowByItsProgramClassAndTitle) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const WindowIdentity identity = list_.Identify(foreign_["unicode"]);
    EXPECT_EQ(identity.windowClass, QStringLiteral("VantrelWin32TestWindow"));
    EXPECT_EQ(identity.title, QString::fromStdWString(UnicodeTitle()));
    // The child is this program started again.
    EXPECT_EQ(identity.executable.toLower(), QString::fromWCharArray(self).toLower());

    const WindowHandle close = foreign_["toclose"];
    PostMessageW(ToHwnd(close), WM_CLOSE, 0, 0);
    ASSERT_TRUE(PollUntil([&] { return !IsWindow(ToHwnd(close)); }));
    EXPECT_EQ(list_.Identify(close), WindowIdentity{});
}

TEST(Win32Handles, WindowHandlesRoundTripThroughThirtyTwoBits) {
    const OwnWindow window(L"Handle", 0, nullptr, false);
    ASSERT_NE(window.Get(), nullptr);
    EXPECT_EQ(ToHwnd(ToWindowHandle(window.Get())), window.Get());
    // Restoring sign-extends, as Windows defines for handles passed between 32 and 64 bits.
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(ToHwnd(0xFFFF1234u)),
              static_cast<std::uintptr_t>(0xFFFFFFFFFFFF1234ull));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(ToHwnd(0x00401234u)), 0x00401234u);
}

}  // namespace
