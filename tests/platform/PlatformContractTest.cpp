// The rules every backend's window query obeys, run against the fake and, on a private
// Xvfb, against the X11 backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/fake/FakePlatform.h"
#include "platform/x11/X11Platform.h"
#include "tests/e2e/support/WaitUntil.h"
#include "tests/platform/X11TestSession.h"

namespace {

struct MonitorSetup {
    DisplayRect rect;
    bool primary = false;
};

// Plays the desktop for one backend: windows come and go, monitors are set.
class Driver {
  public:
    virtual ~Driver() = default;
    virtual bool Available() const = 0;
    virtual TPlatform& Platform() = 0;
    virtual WindowHandle AddWindow(const std::u16string& title) = 0;
    virtual void RemoveWindow(WindowHandle window) = 0;
    virtual void RenameWindow(WindowHandle window, const std::u16string& title) = 0;
    virtual bool SetMonitors(const std::vector<MonitorSetup>& monitors) = 0;
};

class FakeDriver : public Driver {
  public:
    bool Available() const override { return true; }
    TPlatform& Platform() override { return fake_; }
    WindowHandle AddWindow(const std::u16string& title) override { return fake_.AddWindow(title); }
    void RemoveWindow(WindowHandle window) override { fake_.RemoveWindow(window); }
    void RenameWindow(WindowHandle window, const std::u16string& title) override {
        fake_.RenameWindow(window, title);
    }
    // The fake reports monitors as scripted: script them in the numbering the program uses.
    bool SetMonitors(const std::vector<MonitorSetup>& monitors) override {
        std::vector<MonitorSetup> ordered = monitors;
        std::stable_partition(ordered.begin(), ordered.end(),
                              [](const MonitorSetup& m) { return m.primary; });
        std::vector<DisplayRect> rects;
        for (const MonitorSetup& m : ordered) {
            rects.push_back(m.rect);
        }
        fake_.SetMonitors(rects);
        return true;
    }

  private:
    FakePlatform fake_;
};

class X11Driver : public Driver {
  public:
    X11Driver() : session_(X11TestSession::Get()) {
        if (session_ != nullptr) {
            session_->DestroyAll();
            platform_ = CreateX11Platform();
        }
    }
    ~X11Driver() override {
        if (session_ != nullptr) {
            session_->DestroyAll();
        }
    }
    bool Available() const override { return session_ != nullptr; }
    TPlatform& Platform() override { return *platform_; }
    WindowHandle AddWindow(const std::u16string& title) override {
        return session_->CreateTitled(ToUtf8(title));
    }
    void RemoveWindow(WindowHandle window) override { session_->Destroy(window); }
    void RenameWindow(WindowHandle window, const std::u16string& title) override {
        const std::string utf8 = ToUtf8(title);
        session_->SetProperty(window, "_NET_WM_NAME", "UTF8_STRING", 8, utf8.data(),
                              static_cast<std::uint32_t>(utf8.size()));
    }
    bool SetMonitors(const std::vector<MonitorSetup>& monitors) override {
        std::vector<MonitorSpec> specs;
        for (const MonitorSetup& m : monitors) {
            specs.push_back({m.rect.left, m.rect.top, m.rect.width, m.rect.height, m.primary});
        }
        return session_->Server().SetMonitors(specs);
    }

  private:
    X11TestSession* session_;
    std::unique_ptr<TPlatform> platform_;
};

template <typename D>
class WindowQueryContract : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!driver_.Available()) {
            GTEST_SKIP() << "no X server for this backend";
        }
    }
    TPlatform& P() { return driver_.Platform(); }
    std::vector<WindowHandle> Snapshot() {
        P().BuildList(0);
        std::vector<WindowHandle> items;
        for (int i = 1; i <= P().GetListCount(); ++i) {
            items.push_back(P().GetListItem(i));
        }
        return items;
    }
    std::u16string Title(WindowHandle w, int maxCount = 512) {
        std::u16string buffer(static_cast<std::size_t>(maxCount), u'?');
        const int n = P().GetWindowText(w, buffer.data(), maxCount);
        EXPECT_EQ(buffer[static_cast<std::size_t>(n)], u'\0');
        return buffer.substr(0, static_cast<std::size_t>(n));
    }
    D driver_;
};

using Drivers = ::testing::Types<FakeDriver, X11Driver>;
class DriverNames {
  public:
    template <typename T>
    static std::string GetName(int) {
        return std::is_same_v<T, FakeDriver> ? "Fake" : "X11";
    }
};
TYPED_TEST_SUITE(WindowQueryContract, Drivers, DriverNames);

TYPED_TEST(WindowQueryContract, SnapshotListsWindowsWithStableIds) {
    const WindowHandle a = this->driver_.AddWindow(u"Alpha");
    const WindowHandle b = this->driver_.AddWindow(u"Beta");
    const auto first = this->Snapshot();
    EXPECT_EQ(first.size(), 2u);
    EXPECT_NE(std::find(first.begin(), first.end(), a), first.end());
    EXPECT_NE(std::find(first.begin(), first.end(), b), first.end());
    EXPECT_EQ(this->Snapshot(), first);

    const WindowHandle c = this->driver_.AddWindow(u"Gamma");
    const auto second = this->Snapshot();
    ASSERT_EQ(second.size(), 3u);
    EXPECT_NE(std::find(second.begin(), second.end(), c), second.end());
    EXPECT_NE(std::find(second.begin(), second.end(), a), second.end());
    EXPECT_EQ(this->Title(a), u"Alpha");
    EXPECT_EQ(this->Title(c), u"Gamma");
}

TYPED_TEST(WindowQueryContract, PositionsOutsideTheListGiveZero) {
    this->driver_.AddWindow(u"Only");
    this->P().BuildList(0);
    const int n = this->P().GetListCount();
    ASSERT_EQ(n, 1);
    for (int position : {0, -1, n + 1, 1000}) {
        EXPECT_EQ(this->P().GetListItem(position), 0u) << position;
    }
}

TYPED_TEST(WindowQueryContract, TitleReadsStayInBounds) {
    const std::u16string longTitle(600, u'T');
    const WindowHandle w = this->driver_.AddWindow(longTitle);
    const WindowHandle unicode = this->driver_.AddWindow(u"Grüße – 日本");
    this->P().BuildList(0);

    EXPECT_EQ(this->Title(w), longTitle.substr(0, 511));
    EXPECT_EQ(this->Title(w, 1), u"");
    EXPECT_EQ(this->Title(unicode), u"Grüße – 日本");
    char16_t untouched[2] = {u'?', u'?'};
    EXPECT_EQ(this->P().GetWindowText(w, untouched, 0), 0);
    EXPECT_EQ(untouched[0], u'?');
    EXPECT_EQ(this->P().GetWindowText(w, nullptr, 512), 0);
}

TYPED_TEST(WindowQueryContract, VanishedWindowsHaveNoTitle) {
    const WindowHandle before = this->driver_.AddWindow(u"Gone before");
    const WindowHandle after = this->driver_.AddWindow(u"Gone after");
    this->driver_.RemoveWindow(before);
    const auto items = this->Snapshot();
    EXPECT_EQ(std::find(items.begin(), items.end(), before), items.end());
    EXPECT_EQ(this->Title(before), u"");

    this->driver_.RemoveWindow(after);
    // The backend may learn of the loss through events: give them their turn.
    EXPECT_TRUE(WaitUntil([&] { return this->Title(after).empty(); }, 5000));
}

// Titles kept between snapshots must follow every rename, not only the first: a backend
// that stops listening after one change would show the second title forever stale.
TYPED_TEST(WindowQueryContract, SnapshotsFollowEveryRename) {
    const WindowHandle w = this->driver_.AddWindow(u"First");
    const WindowHandle other = this->driver_.AddWindow(u"Steady");
    this->Snapshot();
    ASSERT_EQ(this->Title(w), u"First");
    for (const std::u16string title : {u"Second", u"Third", u"Fourth"}) {
        this->driver_.RenameWindow(w, title);
        EXPECT_TRUE(WaitUntil(
            [&] {
                this->Snapshot();
                return this->Title(w) == title;
            },
            5000))
            << ToUtf8(title);
        EXPECT_EQ(this->Title(other), u"Steady");
    }
    this->driver_.RemoveWindow(w);
    EXPECT_TRUE(
        WaitUntil([&] { return this->Snapshot() == std::vector<WindowHandle>{other}; }, 5000));
}

TYPED_TEST(WindowQueryContract, MonitorsArePrimaryFirstThenByPosition) {
    ASSERT_TRUE(this->driver_.SetMonitors(
        {{{0, 0, 1600, 900}, false}, {{1600, 0, 800, 600}, true}, {{2400, 0, 800, 600}, false}}));
    ASSERT_EQ(this->P().GetMonitorCount(), 3);
    EXPECT_EQ(this->P().GetMonitorInfo(0), DisplayRect({1600, 0, 800, 600}));
    EXPECT_EQ(this->P().GetMonitorInfo(1), DisplayRect({0, 0, 1600, 900}));
    EXPECT_EQ(this->P().GetMonitorInfo(2), DisplayRect({2400, 0, 800, 600}));
    for (int index : {-1, 3, 99}) {
        EXPECT_EQ(this->P().GetMonitorInfo(index), DisplayRect{}) << index;
    }
}

TYPED_TEST(WindowQueryContract, MonitorAnswersFollowTheLayout) {
    ASSERT_TRUE(this->driver_.SetMonitors({{{0, 0, 1600, 1080}, true}}));
    ASSERT_EQ(this->P().GetMonitorCount(), 1);
    ASSERT_TRUE(
        this->driver_.SetMonitors({{{0, 0, 1600, 1080}, true}, {{1600, 0, 1600, 1080}, false}}));
    EXPECT_EQ(this->P().GetMonitorCount(), 2);
    EXPECT_EQ(this->P().GetMonitorInfo(1), DisplayRect({1600, 0, 1600, 1080}));
}

}  // namespace
