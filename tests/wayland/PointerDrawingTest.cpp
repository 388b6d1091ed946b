// The pointer over a Wayland clone: the tests' source sends a cursor meta with a small
// magenta square; the clone's drawn image (grabbed from the view's backing store) shows it
// where the window has it, scaled with the picture when fitted, 1:1 at natural size, and
// not when the pointer is turned off or the meta says there is none. Pointer-only buffers
// still move it.
#include <QDBusConnection>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>

#include <array>
#include <optional>

#include <gtest/gtest.h>

#include "platform/wayland/PipeWireStream.h"
#include "platform/wayland/RestoreTokenStore.h"
#include "platform/wayland/WaylandThumbnail.h"
#include "platform/wayland/WaylandWindowList.h"
#include "platform/wayland/WindowSource.h"
#include "tests/support/TestApplication.h"
#include "tests/wayland/support/PortalStandIn.h"
#include "tests/wayland/support/SharedPipeWire.h"
#include "tests/wayland/support/TestPattern.h"

namespace {

constexpr WindowHandle kChosen = WaylandWindowList::kFirstChosenHandle + 1;
constexpr int kWaitMs = 15000;
// The source's pointer: its hotspot at (100, 60) of the 640x480 picture, its 16x16 square
// from (96, 56).
const QStringList kPointerAt100x60 = {QStringLiteral("--pointer"), QStringLiteral("100,60")};
// Fitted into 1280x720: 960x720 from x = 160 (1.5 times); natural size: centred at 320,120.
const QRect kFitted(160, 0, 960, 720);
const QRect kNatural(320, 120, 640, 480);

class PointerDrawingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestApplication();
        ASSERT_EQ(SharedPipeWireSession().Problem(), QString());
    }
    void TearDown() override {
        thumbnail_.reset();
        windows_.reset();
        portal_.reset();
        WaylandTestSession::WaitUntil([] { return false; }, 100);
        if (source_) {
            source_->process->terminate();
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("pointer-portal"));
        QDBusConnection::disconnectFromBus(QStringLiteral("pointer-client"));
    }

    // A clone of the source started with arguments, its image placed at place.
    void StartClone(const QStringList& arguments, const QRect& place) {
        WaylandTestSession& session = SharedPipeWireSession();
        source_ = StartTestSource(session, arguments);
        ASSERT_TRUE(source_) << "the test video source gave no node";
        portal_ = std::make_unique<PortalStandIn>(
            QDBusConnection::connectToBus(session.BusAddress(), QStringLiteral("pointer-portal")));
        portal_->SetPicker(PickerAnswer::Share, source_->nodeId, QSize(640, 480));
        portal_->SetPipeWireSocket(session.PipeWireSocket());
        windows_ = std::make_unique<WaylandWindowList>(
            SharedPipeWireLoop(),
            QDBusConnection::connectToBus(session.BusAddress(), QStringLiteral("pointer-client")),
            RestoreTokenStore(state_.filePath(QStringLiteral("state.json"))), nullptr);
        windows_->Choose();
        ASSERT_TRUE(WaylandTestSession::WaitUntil(
            [&] { return windows_->SourceFor(kChosen) != nullptr; }, kWaitMs));
        clone_.setGeometry(0, 0, 1280, 720);
        clone_.show();
        thumbnail_ =
            std::make_unique<WaylandThumbnail>(clone_.windowHandle(), windows_->SourceFor(kChosen));
        thumbnail_->Place(place, true);
        ASSERT_TRUE(WaylandTestSession::WaitUntil(
            [&] { return Stream() != nullptr && Stream()->FramesReceived() >= 3; }, kWaitMs));
    }
    const PipeWireStream* Stream() const { return windows_->SourceFor(kChosen)->Stream(); }

    // The clone's image as drawn, in the clone's pixels.
    QImage Drawn() const {
        const FrameView* view = thumbnail_->View();
        return QGuiApplication::primaryScreen()
            ->grabWindow(view->winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    // Waits until the drawn image has colour at point (or the time is up); the last colour.
    QColor WaitForColour(QPoint point, const QColor& colour) const {
        QColor seen;
        WaylandTestSession::WaitUntil(
            [&] {
                const QImage drawn = Drawn();
                seen = drawn.valid(point) ? drawn.pixelColor(point) : QColor();
                return seen.rgb() == colour.rgb();
            },
            kWaitMs);
        return seen;
    }

    QTemporaryDir state_;
    std::optional<RunningSource> source_;
    std::unique_ptr<PortalStandIn> portal_;
    std::unique_ptr<WaylandWindowList> windows_;
    QWidget clone_;
    std::unique_ptr<WaylandThumbnail> thumbnail_;
};

struct PlacementCase {
    const char* name;
    QRect place;
    QPoint pointerCentre;  // in the clone
    QPoint besidePointer;  // just outside the square, in the red quadrant
};

class PointerPlacementTest : public PointerDrawingTest,
                             public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(PointerPlacementTest, PointerDrawnWhereTheWindowHasIt) {
    const PlacementCase& c = GetParam();
    StartClone(kPointerAt100x60, c.place);
    EXPECT_EQ(WaitForColour(c.pointerCentre, kPointerColour).rgb(), kPointerColour.rgb());
    EXPECT_EQ(WaitForColour(c.besidePointer, kPatternTopLeft).rgb(), kPatternTopLeft.rgb());

    thumbnail_->SetPointerShown(false);
    EXPECT_EQ(WaitForColour(c.pointerCentre, kPatternTopLeft).rgb(), kPatternTopLeft.rgb())
        << "the pointer stays drawn when turned off";
    thumbnail_->SetPointerShown(true);
    EXPECT_EQ(WaitForColour(c.pointerCentre, kPointerColour).rgb(), kPointerColour.rgb());
}

// Fitted: the square from (96, 56) is 24x24 from (160 + 144, 84); natural: 16x16 from
// (320 + 96, 120 + 56).
INSTANTIATE_TEST_SUITE_P(
    FitAndNaturalSize, PointerPlacementTest,
    ::testing::Values(PlacementCase{"fitted", kFitted, {304 + 20, 84 + 20}, {304 + 30, 84 + 12}},
                      PlacementCase{
                          "natural", kNatural, {416 + 13, 176 + 13}, {416 + 20, 176 + 8}}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return info.param.name; });

// Drawn by the painter, a crop and a turn: the bottom-right quadrant fills the fitted image
// with yellow; turned 90 degrees clockwise (480x640 fitted: 540x720 from x = 370), the
// corners show the picture's bottom-left, top-left, bottom-right and top-right, and the
// pointer's square turns with it to (829, 108)-(847, 126).
struct LookCase {
    const char* name;
    QRect part;
    ImageTurn turn;
    QRect place;
    std::array<QColor, 4> corners;  // top-left, top-right, bottom-left, bottom-right
    std::optional<QPoint> pointerCentre;
};

class PaintedLookTest : public PointerDrawingTest,
                        public ::testing::WithParamInterface<LookCase> {};

TEST_P(PaintedLookTest, CornersShowThePartTurned) {
    const LookCase& c = GetParam();
    StartClone(kPointerAt100x60, kFitted);
    ASSERT_TRUE(thumbnail_->SetSource(c.part, c.turn));
    thumbnail_->Place(c.place, true);
    const QRect inset = c.place.adjusted(20, 20, -20, -20);
    const std::array<QPoint, 4> at{inset.topLeft(), inset.topRight(), inset.bottomLeft(),
                                   inset.bottomRight()};
    for (std::size_t i = 0; i < at.size(); ++i) {
        EXPECT_EQ(WaitForColour(at[i], c.corners[i]).rgb(), c.corners[i].rgb()) << "corner " << i;
    }
    if (c.pointerCentre) {
        EXPECT_EQ(WaitForColour(*c.pointerCentre, kPointerColour).rgb(), kPointerColour.rgb());
    }
}

INSTANTIATE_TEST_SUITE_P(CropAndTurn, PaintedLookTest,
                         ::testing::Values(LookCase{"cropped",
                                                    {320, 240, 320, 240},
                                                    ImageTurn::None,
                                                    kFitted,
                                                    {kPatternBottomRight, kPatternBottomRight,
                                                     kPatternBottomRight, kPatternBottomRight},
                                                    std::nullopt},
                                           LookCase{"turned",
                                                    {},
                                                    ImageTurn::Rotate90,
                                                    {370, 0, 540, 720},
                                                    {kPatternBottomLeft, kPatternTopLeft,
                                                     kPatternBottomRight, kPatternTopRight},
                                                    QPoint(833, 117)}),
                         [](const ::testing::TestParamInfo<LookCase>& info) {
                             return info.param.name;
                         });

TEST_F(PointerDrawingTest, NoPointerWhenTheMetaSaysNone) {
    StartClone({QStringLiteral("--pointer-hidden")}, kNatural);
    // Several frames drawn, none with a pointer.
    const std::uint64_t seen = Stream()->FramesReceived();
    ASSERT_TRUE(WaylandTestSession::WaitUntil(
        [&] { return Stream()->FramesReceived() >= seen + 3; }, kWaitMs));
    EXPECT_FALSE(Stream()->Pointer().present);
    EXPECT_EQ(WaitForColour({424, 184}, kPatternTopLeft).rgb(), kPatternTopLeft.rgb());
}

TEST_F(PointerDrawingTest, PointerOnlyBuffersMoveThePointer) {
    // After five pictures the source sends only the pointer, now at (500, 400).
    StartClone(kPointerAt100x60 +
                   QStringList{QStringLiteral("--pointer-moves-to"), QStringLiteral("500,400")},
               kNatural);
    const QPoint moved(320 + 496 + 8, 120 + 396 + 8);
    EXPECT_EQ(WaitForColour(moved, kPointerColour).rgb(), kPointerColour.rgb())
        << "the pointer did not move with pointer-only buffers";
    EXPECT_EQ(WaitForColour({424, 184}, kPatternTopLeft).rgb(), kPatternTopLeft.rgb())
        << "the old pointer was not cleared";
    EXPECT_LE(Stream()->FramesReceived(), 5u) << "pointer-only buffers counted as pictures";
}

}  // namespace
