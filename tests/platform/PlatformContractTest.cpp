// The rules every backend obeys through the platform interface: the window list, the
// displays and their change signal, and the thumbnails' life. One typed suite; each
// backend comes with a driver that plays the desktop for it.
#include <gtest/gtest.h>

#include <QRasterWindow>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/x11/X11Platform.h"
#include "tests/e2e/support/WaitUntil.h"
#include "tests/platform/X11TestSession.h"
#include "tests/support/fake/FakePlatform.h"

namespace {

struct MonitorSetup {
    QRect rect;
    bool primary = false;
};

// Plays the desktop for one backend: windows come and go, monitors are set.
class Driver {
  public:
    virtual ~Driver() = default;
    virtual Platform& P() = 0;
    virtual WindowHandle AddWindow(const QString& title, QSize size = QSize(200, 100)) = 0;
    virtual void RemoveWindow(WindowHandle window) = 0;
    virtual void RenameWindow(WindowHandle window, const QString& title) = 0;
    virtual void ResizeWindow(WindowHandle window, QSize size) = 0;
    virtual bool SetMonitors(const std::vector<MonitorSetup>& monitors) = 0;
    // A window of the program's own that thumbnails can be drawn into.
    virtual WindowHandle Destination() = 0;
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
        destination_.reset();
        platform_.reset();
        if (session_ != nullptr) {
            session_->DestroyAll();
        }
    }
    bool Ready() const { return session_ != nullptr; }
    Platform& P() override { return *platform_; }
    WindowHandle AddWindow(const QString& title, QSize size = QSize(200, 100)) override {
        const xcb_window_t w = session_->CreateTitled(title.toStdString());
        const std::uint32_t extent[] = {static_cast<std::uint32_t>(size.width()),
                                        static_cast<std::uint32_t>(size.height())};
        xcb_configure_window(session_->Connection(), w,
                             XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, extent);
        session_->Client().Sync();
        return w;
    }
    void RemoveWindow(WindowHandle window) override { session_->Destroy(window); }
    void ResizeWindow(WindowHandle window, QSize size) override {
        const std::uint32_t extent[] = {static_cast<std::uint32_t>(size.width()),
                                        static_cast<std::uint32_t>(size.height())};
        xcb_configure_window(session_->Connection(), static_cast<xcb_window_t>(window),
                             XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, extent);
        session_->Client().Sync();
    }
    void RenameWindow(WindowHandle window, const QString& title) override {
        const std::string utf8 = title.toStdString();
        session_->SetProperty(window, "_NET_WM_NAME", "UTF8_STRING", 8, utf8.data(),
                              static_cast<std::uint32_t>(utf8.size()));
    }
    bool SetMonitors(const std::vector<MonitorSetup>& monitors) override {
        std::vector<MonitorSpec> specs;
        for (const MonitorSetup& m : monitors) {
            specs.push_back({m.rect.x(), m.rect.y(), m.rect.width(), m.rect.height(), m.primary});
        }
        return session_->Server().SetMonitors(specs);
    }
    WindowHandle Destination() override {
        if (!destination_) {
            destination_ = std::make_unique<QRasterWindow>();
            destination_->resize(320, 240);
            destination_->show();
            WaitUntil([&] { return destination_->isExposed(); }, 5000);
        }
        return static_cast<WindowHandle>(destination_->winId());
    }

  private:
    X11TestSession* session_;
    std::unique_ptr<Platform> platform_;
    std::unique_ptr<QRasterWindow> destination_;
};

// The in-memory fake under the same rules: its monitors are put in the order a real backend
// reports them (primary first, then by left, then by top).
class FakeDriver : public Driver {
  public:
    bool Ready() const { return true; }
    Platform& P() override { return platform_; }
    WindowHandle AddWindow(const QString& title, QSize size = QSize(200, 100)) override {
        return platform_.AddWindow(title, size);
    }
    void RemoveWindow(WindowHandle window) override { platform_.RemoveWindow(window); }
    void ResizeWindow(WindowHandle window, QSize size) override {
        platform_.ResizeWindow(window, size);
    }
    void RenameWindow(WindowHandle window, const QString& title) override {
        platform_.RenameWindow(window, title);
    }
    bool SetMonitors(const std::vector<MonitorSetup>& monitors) override {
        std::vector<MonitorSetup> ordered = monitors;
        std::stable_sort(ordered.begin(), ordered.end(),
                         [](const MonitorSetup& a, const MonitorSetup& b) {
                             if (a.primary != b.primary) {
                                 return a.primary;
                             }
                             if (a.rect.left() != b.rect.left()) {
                                 return a.rect.left() < b.rect.left();
                             }
                             return a.rect.top() < b.rect.top();
                         });
        std::vector<QRect> rects;
        for (const MonitorSetup& m : ordered) {
            rects.push_back(m.rect);
        }
        platform_.SetMonitors(rects);
        return true;
    }
    WindowHandle Destination() override { return kDestination; }

  private:
    static constexpr WindowHandle kDestination = 0xD0000;
    FakePlatform platform_;
};

template <typename D>
class PlatformContract : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(driver_.Ready()) << "the backend's desktop did not start"; }
    Platform& P() { return driver_.P(); }
    std::vector<WindowHandle> Ids() {
        std::vector<WindowHandle> ids;
        for (const ListedWindow& w : P().Windows().Snapshot(0)) {
            ids.push_back(w.handle);
        }
        return ids;
    }
    QString TitleOf(WindowHandle handle) {
        for (const ListedWindow& w : P().Windows().Snapshot(0)) {
            if (w.handle == handle) {
                return w.title;
            }
        }
        return QStringLiteral("<not listed>");
    }
    D driver_;
};

// Every case runs against the in-memory fake and the X11 backend.
using Drivers = ::testing::Types<FakeDriver, X11Driver>;
class DriverNames {
  public:
    template <typename T>
    static std::string GetName(int) {
        return std::is_same_v<T, X11Driver> ? "X11" : "Fake";
    }
};
TYPED_TEST_SUITE(PlatformContract, Drivers, DriverNames);

bool Has(const std::vector<WindowHandle>& items, WindowHandle w) {
    return std::find(items.begin(), items.end(), w) != items.end();
}

TYPED_TEST(PlatformContract, SnapshotListsWindowsWithStableIdsAndTitles) {
    const WindowHandle a = this->driver_.AddWindow(QStringLiteral("Alpha"));
    const WindowHandle b = this->driver_.AddWindow(QStringLiteral("Grüße – 日本 \U0001F600"));
    const auto first = this->Ids();
    EXPECT_EQ(first.size(), 2u);
    EXPECT_TRUE(Has(first, a));
    EXPECT_TRUE(Has(first, b));
    EXPECT_EQ(this->Ids(), first);
    EXPECT_EQ(this->TitleOf(b), QStringLiteral("Grüße – 日本 \U0001F600"));

    const WindowHandle c = this->driver_.AddWindow(QStringLiteral("Gamma"));
    const auto second = this->Ids();
    ASSERT_EQ(second.size(), 3u);
    EXPECT_TRUE(Has(second, c));
    EXPECT_EQ(this->TitleOf(a), QStringLiteral("Alpha"));
    EXPECT_EQ(this->TitleOf(c), QStringLiteral("Gamma"));
}

TYPED_TEST(PlatformContract, VanishedWindowsAreLeftOut) {
    const WindowHandle before = this->driver_.AddWindow(QStringLiteral("Gone before"));
    const WindowHandle after = this->driver_.AddWindow(QStringLiteral("Gone after"));
    this->driver_.RemoveWindow(before);
    EXPECT_FALSE(Has(this->Ids(), before));
    EXPECT_TRUE(Has(this->Ids(), after));
    this->driver_.RemoveWindow(after);
    // The backend may learn of the loss through events: give them their turn.
    EXPECT_TRUE(WaitUntil([&] { return this->Ids().empty(); }, 5000));
}

// Titles kept between snapshots must follow every rename, not only the first: a backend
// that stops listening after one change would show the second title forever stale.
TYPED_TEST(PlatformContract, SnapshotsFollowEveryRename) {
    const WindowHandle w = this->driver_.AddWindow(QStringLiteral("First"));
    const WindowHandle other = this->driver_.AddWindow(QStringLiteral("Steady"));
    ASSERT_EQ(this->TitleOf(w), QStringLiteral("First"));
    for (const QString& title : {QStringLiteral("Second"), QStringLiteral("Third")}) {
        this->driver_.RenameWindow(w, title);
        EXPECT_TRUE(WaitUntil([&] { return this->TitleOf(w) == title; }, 5000))
            << title.toStdString();
        EXPECT_EQ(this->TitleOf(other), QStringLiteral("Steady"));
    }
}

TYPED_TEST(PlatformContract, DisplaysArePrimaryFirstThenByPositionAndNamed) {
    ASSERT_TRUE(this->driver_.SetMonitors({{QRect(0, 0, 1600, 900), false},
                                           {QRect(1600, 0, 800, 600), true},
                                           {QRect(2400, 100, 800, 600), false}}));
    const std::vector<DisplayInfo> displays = this->P().Displays().Displays();
    ASSERT_EQ(displays.size(), 3u);
    EXPECT_EQ(displays[0].rect, QRect(1600, 0, 800, 600));
    EXPECT_EQ(displays[1].rect, QRect(0, 0, 1600, 900));
    EXPECT_EQ(displays[2].rect, QRect(2400, 100, 800, 600));
    for (const DisplayInfo& d : displays) {
        EXPECT_FALSE(d.name.isEmpty());
        EXPECT_EQ(std::count_if(displays.begin(), displays.end(),
                                [&](const DisplayInfo& o) { return o.name == d.name; }),
                  1);
    }
}

TYPED_TEST(PlatformContract, ChangedIsSignalledWhenTheLayoutChanges) {
    ASSERT_TRUE(this->driver_.SetMonitors({{QRect(0, 0, 1600, 1080), true}}));
    DisplayList& list = this->P().Displays();
    ASSERT_EQ(list.Count(), 1);
    int changes = 0;
    QObject::connect(&list, &DisplayList::Changed, [&] { ++changes; });
    ASSERT_TRUE(this->driver_.SetMonitors(
        {{QRect(0, 0, 1600, 1080), true}, {QRect(1600, 0, 1600, 1080), false}}));
    EXPECT_TRUE(WaitUntil([&] { return changes > 0; }, 5000));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Displays()[1].rect, QRect(1600, 0, 1600, 1080));

    // Whoever reads the displays before the change is announced still hears of it.
    const int before = changes;
    ASSERT_TRUE(this->driver_.SetMonitors({{QRect(0, 0, 1600, 1080), true}}));
    EXPECT_TRUE(WaitUntil([&] { return list.Count() == 1; }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return changes > before; }, 5000));
}

TYPED_TEST(PlatformContract, ThumbnailTellsTheSourceSizeAndReleasesOnDestruction) {
    ASSERT_TRUE(this->P().Compositor().Available());
    const WindowHandle source = this->driver_.AddWindow(QStringLiteral("Source"), QSize(300, 200));
    const WindowHandle destination = this->driver_.Destination();
    Compositor& compositor = this->P().Compositor();
    auto thumbnail = compositor.CreateThumbnail(destination, source);
    ASSERT_NE(thumbnail, nullptr);
    EXPECT_EQ(thumbnail->SourceSize(), QSize(300, 200));
    EXPECT_TRUE(thumbnail->Place(QRect(10, 10, 150, 100), true));
    auto second = compositor.CreateThumbnail(destination, source);
    ASSERT_NE(second, nullptr);
    thumbnail.reset();
    // The other thumbnail of the same source lives on.
    EXPECT_EQ(second->SourceSize(), QSize(300, 200));
    EXPECT_TRUE(second->Place(QRect(0, 0, 300, 200), true));

    // A source that is gone, or none at all, gives no thumbnail.
    this->driver_.RemoveWindow(source);
    EXPECT_TRUE(WaitUntil([&] { return !second->SourceSize().has_value(); }, 5000));
    EXPECT_EQ(compositor.CreateThumbnail(destination, source), nullptr);
    EXPECT_EQ(compositor.CreateThumbnail(destination, 0), nullptr);
}

// The owner of a thumbnail hears of each change of the source's size, with the new size
// readable by then; a size set again unchanged tells nothing.
TYPED_TEST(PlatformContract, ThumbnailTellsItsOwnerWhenTheSourceChangesSize) {
    const WindowHandle source = this->driver_.AddWindow(QStringLiteral("Source"), QSize(400, 300));
    auto thumbnail = this->P().Compositor().CreateThumbnail(this->driver_.Destination(), source);
    ASSERT_NE(thumbnail, nullptr);
    ASSERT_TRUE(thumbnail->Place(QRect(0, 0, 320, 240), true));
    std::vector<QSize> told;
    thumbnail->OnSourceResized([&] { told.push_back(thumbnail->SourceSize().value_or(QSize())); });

    for (const QSize size : {QSize(200, 800), QSize(200, 800), QSize(640, 480)}) {
        this->driver_.ResizeWindow(source, size);
        EXPECT_TRUE(WaitUntil([&] { return !told.empty() && told.back() == size; }, 5000))
            << size.width() << "x" << size.height();
    }
    EXPECT_EQ(told, (std::vector<QSize>{QSize(200, 800), QSize(640, 480)}));
}

}  // namespace
