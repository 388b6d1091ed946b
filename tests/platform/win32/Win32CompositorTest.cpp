// The compositor of the Win32 backend: the placement record, the life of one thumbnail
// (with stand-ins for dwmapi) and the behaviour where the compositor has no thumbnails.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/win32/Win32Compositor.h"
#include "platform/win32/Win32Handles.h"
#include "tests/platform/win32/Win32TestSupport.h"

namespace {

TEST(Win32ThumbnailPlacement, IsPackedAsTheCompositorReadsIt) {
    struct Case {
        QRect destination;
        bool visible;
        std::int32_t left, top, right, bottom;
    };
    const Case cases[] = {
        {QRect(-40, 62, 2000, 625), true, -40, 62, 1960, 687},
        {QRect(0, 0, 1, 1), false, 0, 0, 1, 1},
        {QRect(10, 20, 0, 0), true, 10, 20, 10, 20},
    };
    for (const Case& c : cases) {
        const DWM_THUMBNAIL_PROPERTIES dwm = ToDwmPlacement(c.destination, c.visible);
        unsigned char bytes[45];
        std::memcpy(bytes, &dwm, sizeof bytes);
        auto at = [&](std::size_t offset) {
            std::int32_t value;
            std::memcpy(&value, bytes + offset, sizeof value);
            return value;
        };
        EXPECT_EQ(at(0), 0x19);  // RECTDESTINATION | VISIBLE | SOURCECLIENTAREAONLY
        EXPECT_EQ(at(4), c.left);
        EXPECT_EQ(at(8), c.top);
        EXPECT_EQ(at(12), c.right);
        EXPECT_EQ(at(16), c.bottom);
        EXPECT_EQ(at(37), c.visible ? 1 : 0);  // fVisible
        EXPECT_EQ(at(41), 1);                  // fSourceClientAreaOnly
    }
}

// Stand-ins for dwmapi that record the calls and the HTHUMBNAIL values reaching them.
struct FakeDwm {
    static inline std::uintptr_t next = 0;
    static inline HRESULT registerResult = S_OK;
    static inline HRESULT queryResult = S_OK;
    static inline bool registerGivesNull = false;
    static inline BOOL composition = FALSE;
    static inline std::vector<std::pair<char, std::uintptr_t>> calls;
    static inline DWM_THUMBNAIL_PROPERTIES lastPlacement{};

    static HRESULT WINAPI IsEnabled(BOOL* enabled) {
        *enabled = composition;
        return S_OK;
    }
    static HRESULT WINAPI Register(HWND, HWND, PHTHUMBNAIL out) {
        next += 0x100000000ull;
        *out = registerGivesNull || FAILED(registerResult) ? nullptr
                                                           : reinterpret_cast<HTHUMBNAIL>(next);
        return registerResult;
    }
    static HRESULT WINAPI Query(HTHUMBNAIL thumbnail, PSIZE size) {
        calls.emplace_back('q', reinterpret_cast<std::uintptr_t>(thumbnail));
        *size = SIZE{640, 480};
        return queryResult;
    }
    static HRESULT WINAPI Update(HTHUMBNAIL thumbnail, const DWM_THUMBNAIL_PROPERTIES* p) {
        calls.emplace_back('p', reinterpret_cast<std::uintptr_t>(thumbnail));
        lastPlacement = *p;
        return S_OK;
    }
    static HRESULT WINAPI Unregister(HTHUMBNAIL thumbnail) {
        calls.emplace_back('u', reinterpret_cast<std::uintptr_t>(thumbnail));
        return S_OK;
    }
    static DwmThumbnailCalls Reset() {
        next = 0;
        registerResult = queryResult = S_OK;
        registerGivesNull = false;
        composition = FALSE;
        calls.clear();
        return DwmThumbnailCalls{IsEnabled, Register, Query, Update, Unregister};
    }
};

TEST(Win32ThumbnailLife, EachThumbnailReachesItsOwnRegistrationAndReleasesItOnce) {
    Win32Compositor compositor(FakeDwm::Reset());
    auto a = compositor.CreateThumbnail(1, 2);
    auto b = compositor.CreateThumbnail(1, 3);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->SourceSize(), QSize(640, 480));
    EXPECT_TRUE(a->Place(QRect(5, 6, 100, 50), true));
    EXPECT_EQ(FakeDwm::lastPlacement.rcDestination.right, 105);
    EXPECT_EQ(FakeDwm::lastPlacement.fVisible, TRUE);
    a.reset();
    b.reset();
    using Calls = std::vector<std::pair<char, std::uintptr_t>>;
    EXPECT_EQ(FakeDwm::calls, (Calls{{'q', 0x200000000ull},
                                     {'p', 0x100000000ull},
                                     {'u', 0x100000000ull},
                                     {'u', 0x200000000ull}}));
}

// Each step sets a source, places, and checks the source rectangle that reached dwmapi
// (none: the flag is not sent); the whole window after a crop is the queried 640x480.
TEST(Win32ThumbnailLife, CropReachesTheCompositorWithThePlacementAndTurnsAreRefused) {
    struct Step {
        QRect part;
        ImageTurn turn;
        bool accepted;
        std::optional<RECT> sent;
    };
    const Step steps[] = {
        {QRect(), ImageTurn::None, true, std::nullopt},
        {QRect(320, 0, 320, 240), ImageTurn::None, true, RECT{320, 0, 640, 240}},
        {QRect(10, 20, 30, 40), ImageTurn::None, true, RECT{10, 20, 40, 60}},
        {QRect(), ImageTurn::None, true, RECT{0, 0, 640, 480}},
        {QRect(), ImageTurn::None, true, std::nullopt},
        {QRect(1, 2, 3, 4), ImageTurn::None, true, RECT{1, 2, 4, 6}},
        {QRect(1, 2, 3, 4), ImageTurn::FlipX, false, RECT{0, 0, 640, 480}},
        {QRect(), ImageTurn::Rotate90, false, std::nullopt},
    };
    Win32Compositor compositor(FakeDwm::Reset());
    EXPECT_TRUE(compositor.CanCrop());
    EXPECT_FALSE(compositor.CanTransform());
    const auto thumbnail = compositor.CreateThumbnail(1, 2);
    ASSERT_NE(thumbnail, nullptr);
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const Step& step = steps[i];
        EXPECT_EQ(thumbnail->SetSource(step.part, step.turn), step.accepted) << i;
        ASSERT_TRUE(thumbnail->Place(QRect(0, 0, 100, 80), true)) << i;
        const DWM_THUMBNAIL_PROPERTIES& sent = FakeDwm::lastPlacement;
        EXPECT_EQ(sent.rcDestination.right, 100) << i;
        ASSERT_EQ((sent.dwFlags & DWM_TNP_RECTSOURCE) != 0, step.sent.has_value()) << i;
        if (step.sent) {
            EXPECT_TRUE(EqualRect(&sent.rcSource, &*step.sent)) << i;
            EXPECT_EQ(sent.fSourceClientAreaOnly, TRUE) << i;
        }
    }
}

TEST(Win32ThumbnailLife, RefusedRegistrationGivesNoThumbnailAndNothingToRelease) {
    struct Case {
        const char* what;
        HRESULT result;
        bool givesNull;
    };
    const Case cases[] = {
        {"refused", E_INVALIDARG, false},
        {"success without a thumbnail", S_OK, true},
        {"other success code without a thumbnail", S_FALSE, true},
    };
    for (const Case& c : cases) {
        Win32Compositor compositor(FakeDwm::Reset());
        FakeDwm::registerResult = c.result;
        FakeDwm::registerGivesNull = c.givesNull;
        EXPECT_EQ(compositor.CreateThumbnail(1, 2), nullptr) << c.what;
        EXPECT_TRUE(FakeDwm::calls.empty()) << c.what;
    }
}

TEST(Win32ThumbnailLife, UnreadableSourceSizeIsNothing) {
    Win32Compositor compositor(FakeDwm::Reset());
    const auto thumbnail = compositor.CreateThumbnail(1, 2);
    ASSERT_NE(thumbnail, nullptr);
    for (const HRESULT result : {E_INVALIDARG, S_FALSE}) {
        FakeDwm::queryResult = result;
        EXPECT_EQ(thumbnail->SourceSize(), std::nullopt);
    }
}

TEST(Win32ThumbnailLife, AvailabilityIsTheCompositionFlag) {
    Win32Compositor compositor(FakeDwm::Reset());
    EXPECT_FALSE(compositor.Available());
    FakeDwm::composition = TRUE;
    EXPECT_TRUE(compositor.Available());
}

// Wine's compositor reports composition off and makes no thumbnails. The same test runs a
// real thumbnail's whole life where there is composition: on a Windows desktop, and under
// Wine with the tests' stand-in dwmapi.dll (tests/windows), where the run sets
// VANTREL_EXPECT_COMPOSITION so that a refusal fails.
TEST(Win32Compositor, RegistrationOfARealWindowFailsCleanlyOrWorksWhole) {
    const OwnWindow destination(L"Destination", 0, nullptr, true);
    const OwnWindow source(L"Source", 0, nullptr, true);
    Win32Compositor compositor;
    auto thumbnail =
        compositor.CreateThumbnail(ToWindowHandle(destination.Get()), ToWindowHandle(source.Get()));
    if (thumbnail == nullptr) {
        EXPECT_EQ(std::getenv("VANTREL_EXPECT_COMPOSITION"), nullptr);
        EXPECT_FALSE(compositor.Available());
        return;
    }
    EXPECT_TRUE(compositor.Available());
    RECT client{};
    GetClientRect(source.Get(), &client);
    EXPECT_TRUE(thumbnail->Place(QRect(0, 0, 100, 80), true));
    // The client area's size, or the whole window's where the compositor counts the frame.
    const std::optional<QSize> size = thumbnail->SourceSize();
    ASSERT_TRUE(size.has_value());
    EXPECT_GE(size->width(), client.right);
    EXPECT_GE(size->height(), client.bottom);
    thumbnail.reset();
    // Released: a new registration of the same pair works again.
    EXPECT_NE(
        compositor.CreateThumbnail(ToWindowHandle(destination.Get()), ToWindowHandle(source.Get())),
        nullptr);
}

}  // namespace
