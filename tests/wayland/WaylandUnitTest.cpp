// The Wayland backend's pure parts: where a picture lies in a PipeWire buffer, the state
// file of chosen windows, the instance guard and the choice of the backend.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <spa/param/video/raw.h>

#include "platform/wayland/FrameLayout.h"
#include "platform/wayland/RestoreTokenStore.h"
#include "platform/wayland/WaylandPlatform.h"
#include "platform/wayland/WaylandSystemServices.h"

namespace {

struct RegionCase {
    const char* name;
    ChunkFacts facts;
    std::optional<FrameRegion> expected;
};

ChunkFacts Facts(int stride, std::size_t size, std::size_t mapped,
                 std::optional<QRect> crop = std::nullopt, std::size_t offset = 0) {
    ChunkFacts facts;
    facts.bufferSize = QSize(100, 50);
    facts.chunkStride = stride;
    facts.chunkOffset = offset;
    facts.chunkSize = size;
    facts.mappedSize = mapped;
    facts.crop = crop;
    return facts;
}

TEST(FrameLayoutTest, VisibleRegionOfAChunk) {
    const std::size_t whole = 400 * 50;
    const RegionCase cases[] = {
        {"packed, stride not given", Facts(0, whole, whole), FrameRegion{0, 400, {100, 50}}},
        {"padded rows", Facts(512, 512 * 50, 512 * 50), FrameRegion{0, 512, {100, 50}}},
        {"empty chunk is a cursor-only update", Facts(400, 0, whole), std::nullopt},
        {"stride shorter than a row", Facts(300, whole, whole), std::nullopt},
        {"rows beyond the mapped memory", Facts(400, whole, whole - 1), std::nullopt},
        {"crop selects the window", Facts(400, whole, whole, QRect(10, 5, 30, 20)),
         FrameRegion{5 * 400 + 10 * 4, 400, {30, 20}}},
        {"crop clipped to the buffer", Facts(400, whole, whole, QRect(90, 40, 30, 30)),
         FrameRegion{40 * 400 + 90 * 4, 400, {10, 10}}},
        {"crop outside the buffer", Facts(400, whole, whole, QRect(200, 0, 10, 10)), std::nullopt},
        {"empty crop means the whole buffer", Facts(400, whole, whole, QRect()),
         FrameRegion{0, 400, {100, 50}}},
        {"chunk offset counts", Facts(400, whole, whole + 64, std::nullopt, 64),
         FrameRegion{64, 400, {100, 50}}},
        {"chunk offset past the memory", Facts(400, whole, whole, std::nullopt, 64), std::nullopt},
    };
    for (const RegionCase& test : cases) {
        EXPECT_EQ(VisibleRegion(test.facts), test.expected) << test.name;
    }
}

TEST(FrameLayoutTest, FormatsDrawnWithoutConversion) {
    EXPECT_EQ(ImageFormatForVideoFormat(SPA_VIDEO_FORMAT_BGRx), QImage::Format_RGB32);
    EXPECT_EQ(ImageFormatForVideoFormat(SPA_VIDEO_FORMAT_BGRA), QImage::Format_RGB32);
    EXPECT_EQ(ImageFormatForVideoFormat(SPA_VIDEO_FORMAT_RGBx), QImage::Format_RGBX8888);
    EXPECT_EQ(ImageFormatForVideoFormat(SPA_VIDEO_FORMAT_RGBA), QImage::Format_RGBX8888);
    EXPECT_EQ(ImageFormatForVideoFormat(SPA_VIDEO_FORMAT_NV12), QImage::Format_Invalid);
    // BGRx bytes as Qt reads them: blue, green, red in memory order.
    const uchar bytes[4] = {0x30, 0x20, 0x10, 0x00};
    const QImage pixel(bytes, 1, 1, 4, ImageFormatForVideoFormat(SPA_VIDEO_FORMAT_BGRx));
    EXPECT_EQ(pixel.pixelColor(0, 0), QColor(0x10, 0x20, 0x30));
}

TEST(RestoreTokenStoreTest, KeepsChosenWindowsAcrossRuns) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("state/wayland-windows.json"));
    RestoreTokenStore store(path);
    EXPECT_TRUE(store.Load().empty()) << "no file yet";
    const std::vector<StoredWindow> windows{{1, QStringLiteral("a")}, {3, QStringLiteral("b")}};
    ASSERT_TRUE(store.Save(windows));
    EXPECT_EQ(RestoreTokenStore(path).Load(), windows);
    ASSERT_TRUE(store.Save({}));
    EXPECT_TRUE(store.Load().empty());
}

TEST(RestoreTokenStoreTest, DamagedOrForeignFilesGiveNoWindows) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wayland-windows.json"));
    const QByteArray contents[] = {
        "not json",
        "[1, 2, 3]",
        R"({"windows": [{"number": 0, "token": "x"}, {"number": 2, "token": ""},
                        {"number": "two", "token": "y"}]})",
    };
    for (const QByteArray& content : contents) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        EXPECT_TRUE(RestoreTokenStore(path).Load().empty()) << content.constData();
    }
}

TEST(RestoreTokenStoreTest, FailedWriteLeavesTheOldFile) {
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    QFile(blocker).open(QIODevice::WriteOnly);
    // A folder that cannot exist because a file has its name.
    EXPECT_FALSE(RestoreTokenStore(blocker + QStringLiteral("/x/state.json")).Save({{1, "t"}}));
    const QString path = dir.filePath(QStringLiteral("state.json"));
    RestoreTokenStore store(path);
    ASSERT_TRUE(store.Save({{1, QStringLiteral("old")}}));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    if (!QFileInfo(dir.path()).isWritable()) {  // root writes anywhere
        EXPECT_FALSE(store.Save({{2, QStringLiteral("new")}}));
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(store.Load(), (std::vector<StoredWindow>{{1, QStringLiteral("old")}}));
}

TEST(WaylandSystemTest, LockFileIsPerWaylandDisplay) {
    EXPECT_EQ(WaylandLockFileName("Vantrel", "wayland-1"), "Vantrel-wayland-wayland-1.lock");
    EXPECT_EQ(WaylandLockFileName("Vantrel", nullptr), "Vantrel-wayland-wayland-0.lock");
    EXPECT_EQ(WaylandLockFileName("Vantrel", ""), "Vantrel-wayland-wayland-0.lock");
    EXPECT_EQ(WaylandLockFileName("Vantrel", "/run/user/5/w-1"),
              "Vantrel-wayland-_run_user_5_w-1.lock");
}

TEST(WaylandSystemTest, SecondGuardOnTheSameDisplaySeesTheFirst) {
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    qputenv("WAYLAND_DISPLAY", "wayland-7");
    WaylandSystemServices system;
    auto first = system.AcquireInstanceGuard(QStringLiteral("Vantrel"));
    auto second = system.AcquireInstanceGuard(QStringLiteral("Vantrel"));
    EXPECT_FALSE(first->AlreadyRunning());
    EXPECT_TRUE(second->AlreadyRunning());
    qputenv("WAYLAND_DISPLAY", "wayland-8");
    EXPECT_FALSE(system.AcquireInstanceGuard(QStringLiteral("Vantrel"))->AlreadyRunning())
        << "another Wayland display has its own guard";
    qputenv("WAYLAND_DISPLAY", "wayland-7");
    first.reset();
    second.reset();
    EXPECT_FALSE(system.AcquireInstanceGuard(QStringLiteral("Vantrel"))->AlreadyRunning())
        << "the guard ends with its owner";
}

TEST(WaylandSystemTest, LanguageFromTheLocale) {
    const std::pair<const char*, std::uint16_t> cases[] = {
        {"de_DE.UTF-8", 0x0407}, {"fr_CA", 0x0C0C}, {"C", 0x0409},
        {"POSIX", 0x0409},       {"xx_YY", 0x0409},
    };
    WaylandSystemServices system;
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    for (const auto& [locale, id] : cases) {
        qputenv("LANG", locale);
        EXPECT_EQ(system.UserLanguageId(), id) << locale;
    }
}

TEST(WaylandPlatformTest, ChosenWhenQtWillRunOnWayland) {
    struct Case {
        const char* platform;
        const char* session;
        const char* display;
        bool expected;
    };
    const Case cases[] = {
        {"wayland", nullptr, nullptr, true},     {"wayland-egl", nullptr, nullptr, true},
        {"xcb", "wayland", "wayland-0", false},  {"offscreen", nullptr, nullptr, false},
        {nullptr, "wayland", "wayland-0", true}, {nullptr, "wayland", nullptr, false},
        {nullptr, "x11", "wayland-0", false},
    };
    auto set = [](const char* name, const char* value) {
        if (value != nullptr) {
            qputenv(name, value);
        } else {
            qunsetenv(name);
        }
    };
    for (const Case& test : cases) {
        set("QT_QPA_PLATFORM", test.platform);
        set("XDG_SESSION_TYPE", test.session);
        set("WAYLAND_DISPLAY", test.display);
        EXPECT_EQ(WaylandSessionExpected(), test.expected)
            << (test.platform ? test.platform : "-") << " " << (test.session ? test.session : "-");
    }
}

}  // namespace
