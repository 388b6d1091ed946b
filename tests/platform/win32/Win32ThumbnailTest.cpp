// The compositor calls of the Win32 backend: the properties record, the table of thumbnail
// ids (with stand-ins for dwmapi) and the behaviour where the compositor has no thumbnails.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Thumbnails.h"
#include "tests/platform/win32/Win32TestSupport.h"

namespace {

TEST(Win32ThumbnailProperties, ClonePlacementIsPackedAsTheCompositorReadsIt) {
    ThumbnailProperties clone;
    clone.flags = kThumbnailRectDestination | kThumbnailVisible | kThumbnailSourceClientAreaOnly;
    clone.destination = {-40, 62, 1960, 687};
    clone.visible = true;
    clone.sourceClientAreaOnly = true;
    const DWM_THUMBNAIL_PROPERTIES dwm = ToDwmThumbnailProperties(clone);

    unsigned char bytes[45];
    std::memcpy(bytes, &dwm, sizeof bytes);
    auto at = [&](std::size_t offset) {
        std::int32_t value;
        std::memcpy(&value, bytes + offset, sizeof value);
        return value;
    };
    EXPECT_EQ(at(0), 0x19);
    EXPECT_EQ(at(4), -40);
    EXPECT_EQ(at(8), 62);
    EXPECT_EQ(at(12), 1960);
    EXPECT_EQ(at(16), 687);
    EXPECT_EQ(bytes[36], 255);
    EXPECT_EQ(at(37), 1);  // fVisible
    EXPECT_EQ(at(41), 1);  // fSourceClientAreaOnly
}

TEST(Win32ThumbnailProperties, EveryMemberIsCarriedAndUnknownFlagsAreDropped) {
    struct Case {
        const char* what;
        ThumbnailProperties in;
        DWORD flags;
    };
    ThumbnailProperties all;
    all.flags = 0x1F;
    all.destination = {1, 2, 3, 4};
    all.source = {5, 6, 7, 8};
    all.opacity = 128;
    ThumbnailProperties stray = all;
    stray.flags = 0xFFFFFF00u | kThumbnailOpacity;
    const Case cases[] = {{"all flags", all, 0x1F}, {"unknown bits", stray, kThumbnailOpacity}};
    for (const Case& c : cases) {
        const DWM_THUMBNAIL_PROPERTIES dwm = ToDwmThumbnailProperties(c.in);
        EXPECT_EQ(dwm.dwFlags, c.flags) << c.what;
        EXPECT_EQ(dwm.rcDestination.left, 1) << c.what;
        EXPECT_EQ(dwm.rcDestination.bottom, 4) << c.what;
        EXPECT_EQ(dwm.rcSource.left, 5) << c.what;
        EXPECT_EQ(dwm.rcSource.bottom, 8) << c.what;
        EXPECT_EQ(dwm.opacity, 128) << c.what;
        EXPECT_EQ(dwm.fVisible, FALSE) << c.what;
        EXPECT_EQ(dwm.fSourceClientAreaOnly, FALSE) << c.what;
    }
}

// Stand-ins for dwmapi that record which HTHUMBNAIL values reach it.
struct FakeDwm {
    static inline std::uintptr_t next = 0;
    static inline HRESULT registerResult = S_OK;
    static inline std::vector<std::uintptr_t> reached;
    static HRESULT WINAPI Register(HWND, HWND, PHTHUMBNAIL out) {
        *out =
            registerResult == S_OK ? reinterpret_cast<HTHUMBNAIL>(next += 0x100000000ull) : nullptr;
        return registerResult;
    }
    static HRESULT WINAPI Query(HTHUMBNAIL thumbnail, PSIZE size) {
        reached.push_back(reinterpret_cast<std::uintptr_t>(thumbnail));
        *size = SIZE{640, 480};
        return S_OK;
    }
    static HRESULT WINAPI Update(HTHUMBNAIL thumbnail, const DWM_THUMBNAIL_PROPERTIES*) {
        reached.push_back(reinterpret_cast<std::uintptr_t>(thumbnail));
        return S_OK;
    }
    static HRESULT WINAPI Unregister(HTHUMBNAIL thumbnail) {
        reached.push_back(reinterpret_cast<std::uintptr_t>(thumbnail));
        return S_OK;
    }
    static TDwmThumbnailCalls Calls() {
        next = 0;
        registerResult = S_OK;
        reached.clear();
        return TDwmThumbnailCalls{Register, Query, Update, Unregister};
    }
};

TEST(Win32ThumbnailTable, PointerSizedThumbnailsGetSmallDistinctIds) {
    TWin32Thumbnails table(FakeDwm::Calls());
    ThumbnailHandle a = 0, b = 0;
    ASSERT_EQ(table.Register(nullptr, nullptr, &a), kResultOk);
    ASSERT_EQ(table.Register(nullptr, nullptr, &b), kResultOk);
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_NE(a, b);

    PixelSize size;
    EXPECT_EQ(table.QuerySourceSize(b, &size), kResultOk);
    EXPECT_EQ(size, PixelSize({640, 480}));
    EXPECT_EQ(table.Update(a, ThumbnailProperties{}), kResultOk);
    EXPECT_EQ(table.Unregister(a), kResultOk);
    // b's thumbnail is the second one made, a's the first: each id reaches its own.
    EXPECT_EQ(FakeDwm::reached,
              (std::vector<std::uintptr_t>{0x200000000ull, 0x100000000ull, 0x100000000ull}));

    ThumbnailHandle c = 0;
    ASSERT_EQ(table.Register(nullptr, nullptr, &c), kResultOk);
    EXPECT_NE(c, b);
    EXPECT_NE(c, a) << "a freed id is not handed out again at once";
    EXPECT_EQ(table.LiveCount(), 2u);
}

TEST(Win32ThumbnailTable, UnknownAndUnregisteredIdsNeverReachTheCompositor) {
    TWin32Thumbnails table(FakeDwm::Calls());
    ThumbnailHandle live = 0;
    ASSERT_EQ(table.Register(nullptr, nullptr, &live), kResultOk);
    ASSERT_EQ(table.Unregister(live), kResultOk);
    FakeDwm::reached.clear();
    PixelSize size{7, 7};
    for (const ThumbnailHandle id : {ThumbnailHandle{0}, live, ThumbnailHandle{0xFFFFFFFFu}}) {
        EXPECT_EQ(table.QuerySourceSize(id, &size), kResultInvalidHandle) << id;
        EXPECT_EQ(table.Update(id, ThumbnailProperties{}), kResultInvalidHandle) << id;
        EXPECT_EQ(table.Unregister(id), kResultInvalidHandle) << id;
    }
    EXPECT_TRUE(FakeDwm::reached.empty());
    EXPECT_EQ(size, PixelSize({7, 7}));
}

TEST(Win32ThumbnailTable, FailedRegistrationGivesNoHandle) {
    TWin32Thumbnails table(FakeDwm::Calls());
    FakeDwm::registerResult = E_INVALIDARG;
    ThumbnailHandle handle = 99;
    EXPECT_EQ(table.Register(nullptr, nullptr, &handle), kResultInvalidArg);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(table.Register(nullptr, nullptr, nullptr), kResultInvalidArg);
    EXPECT_EQ(table.LiveCount(), 0u);
}

// Wine's compositor reports composition off and makes no thumbnails. On a Windows desktop
// with composition the same test checks a real thumbnail's life instead.
TEST(Win32Compositor, RegistrationOfARealWindowFailsCleanlyOrWorksWhole) {
    const TOwnWindow destination(L"Destination", 0, nullptr, true);
    const TOwnWindow source(L"Source", 0, nullptr, true);
    const auto platform = CreateWin32Platform();
    ThumbnailHandle thumbnail = 77;
    const HResult result = platform->RegisterThumbnail(ToWindowHandle(destination.Get()),
                                                       ToWindowHandle(source.Get()), &thumbnail);
    if (result != kResultOk) {
        EXPECT_EQ(thumbnail, 0u);
        EXPECT_FALSE(platform->IsCompositionEnabled());
        PixelSize size{3, 3};
        EXPECT_NE(platform->QueryThumbnailSourceSize(thumbnail, &size), kResultOk);
        EXPECT_EQ(size, PixelSize({3, 3}));
        EXPECT_NE(platform->UnregisterThumbnail(thumbnail), kResultOk);
        return;
    }
    EXPECT_NE(thumbnail, 0u);
    PixelSize size;
    EXPECT_EQ(platform->QueryThumbnailSourceSize(thumbnail, &size), kResultOk);
    EXPECT_GT(size.width, 0);
    ThumbnailProperties placement;
    placement.flags =
        kThumbnailRectDestination | kThumbnailVisible | kThumbnailSourceClientAreaOnly;
    placement.destination = {0, 0, 100, 80};
    placement.visible = placement.sourceClientAreaOnly = true;
    EXPECT_EQ(platform->UpdateThumbnailProperties(thumbnail, placement), kResultOk);
    EXPECT_EQ(platform->UnregisterThumbnail(thumbnail), kResultOk);
    EXPECT_NE(platform->UnregisterThumbnail(thumbnail), kResultOk);
}

TEST(Win32Compositor, HandlesNeverRegisteredAreRefusedWithoutCallingTheCompositor) {
    // Wine ends the process when dwmapi is asked about a thumbnail it never made, so reaching
    // the end of this test shows the calls were answered by the backend itself.
    const auto platform = CreateWin32Platform();
    PixelSize size;
    for (const ThumbnailHandle id : {ThumbnailHandle{0}, ThumbnailHandle{1}, ThumbnailHandle{42}}) {
        EXPECT_EQ(platform->QueryThumbnailSourceSize(id, &size), kResultInvalidHandle);
        EXPECT_EQ(platform->UpdateThumbnailProperties(id, ThumbnailProperties{}),
                  kResultInvalidHandle);
        EXPECT_EQ(platform->UnregisterThumbnail(id), kResultInvalidHandle);
    }
}

}  // namespace
