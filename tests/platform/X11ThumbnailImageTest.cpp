// What a thumbnail shows on screen under a private Xvfb: the image placed again when the
// source changes shape, and the pointer drawn over the image while it is over the source
// (moved with XTest), in its shape, scaled with the image, and gone when it leaves.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QRasterWindow>

#include <memory>
#include <optional>
#include <string>

#include "clone/ThumbnailFit.h"
#include "platform/x11/X11Platform.h"
#include "tests/e2e/support/WaitUntil.h"
#include "tests/e2e/support/XClient.h"
#include "tests/platform/X11TestSession.h"

namespace {

constexpr QRgb kWhite = 0xffffffu;
constexpr QRgb kRed = 0xff0000u;
constexpr QRgb kBlack = 0x000000u;
// Where the source sits on the root, clear of the destination at the origin.
constexpr QPoint kSourceAt(1000, 400);

class X11ThumbnailImageTest : public X11SessionTest {
  protected:
    void SetUp() override {
        X11SessionTest::SetUp();
        platform_ = CreateX11Platform();
        destination_ = std::make_unique<QRasterWindow>();
        destination_->setGeometry(0, 0, 400, 300);
        destination_->show();
        ASSERT_TRUE(WaitUntil([&] { return destination_->isExposed(); }, 5000));
        s_->Client().MoveTo(3000, 1000);
    }
    void TearDown() override {
        thumbnail_.reset();
        destination_.reset();
        platform_.reset();
        if (cursor_ != 0) {
            xcb_free_cursor(s_->Connection(), cursor_);
        }
        X11SessionTest::TearDown();
    }
    // A white source of the given size whose pointer is a red square of side 10, hot spot at
    // its top-left corner.
    xcb_window_t MakeSource(QSize size) {
        xcb_connection_t* c = s_->Connection();
        const xcb_window_t w = s_->CreateTitled("Source");
        const xcb_pixmap_t bits = xcb_generate_id(c);
        xcb_create_pixmap(c, 1, bits, w, 10, 10);
        const xcb_gcontext_t gc = xcb_generate_id(c);
        const std::uint32_t one = 1;
        xcb_create_gc(c, gc, bits, XCB_GC_FOREGROUND, &one);
        const xcb_rectangle_t all{0, 0, 10, 10};
        xcb_poly_fill_rectangle(c, bits, gc, 1, &all);
        cursor_ = xcb_generate_id(c);
        xcb_create_cursor(c, cursor_, bits, bits, 0xffff, 0, 0, 0, 0, 0, 0, 0);
        xcb_free_gc(c, gc);
        xcb_free_pixmap(c, bits);
        const std::uint32_t attributes[] = {kWhite, cursor_};
        xcb_change_window_attributes(c, w, XCB_CW_BACK_PIXEL | XCB_CW_CURSOR, attributes);
        Reshape(w, size);
        return w;
    }
    void Reshape(xcb_window_t w, QSize size) {
        xcb_connection_t* c = s_->Connection();
        const std::uint32_t geometry[] = {
            static_cast<std::uint32_t>(kSourceAt.x()), static_cast<std::uint32_t>(kSourceAt.y()),
            static_cast<std::uint32_t>(size.width()), static_cast<std::uint32_t>(size.height())};
        xcb_configure_window(c, w,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT,
                             geometry);
        xcb_clear_area(c, 0, w, 0, 0, 0, 0);
        s_->Client().Sync();
    }
    // A thumbnail placed the way a clone places it, and placed again when the source
    // changes size.
    void Clone(xcb_window_t source, bool fit) {
        const auto dest = static_cast<WindowHandle>(destination_->winId());
        thumbnail_ = platform_->Compositor().CreateThumbnail(dest, source);
        ASSERT_NE(thumbnail_, nullptr);
        auto place = [this, fit] {
            const std::optional<QRect> rect = ThumbnailDestination(
                thumbnail_->SourceSize().value_or(QSize()), QSize(400, 300), fit);
            if (rect) {
                thumbnail_->Place(*rect, true);
            }
            ++placements_;
        };
        thumbnail_->OnSourceResized(place);
        place();
    }
    bool Shows(QPoint at, QRgb colour) {
        return WaitUntil([&] { return SameColour(s_->Client().PixelAt(at.x(), at.y()), colour); },
                         5000);
    }
    static std::string Where(QPoint p) {
        return std::to_string(p.x()) + "," + std::to_string(p.y());
    }

    std::unique_ptr<Platform> platform_;
    std::unique_ptr<QRasterWindow> destination_;
    std::unique_ptr<Thumbnail> thumbnail_;
    xcb_cursor_t cursor_ = 0;
    int placements_ = 0;
};

// The source goes from 4:3 to a tall 1:4: fitted into 400 x 300 it is 75 x 300 in the
// middle, so what was image at the sides is margin now. A move alone places nothing.
TEST_F(X11ThumbnailImageTest, ImageIsFittedAgainWhenTheSourceChangesShape) {
    const xcb_window_t source = MakeSource(QSize(400, 300));
    Clone(source, true);
    ASSERT_TRUE(Shows(QPoint(50, 150), kWhite));
    ASSERT_TRUE(Shows(QPoint(350, 150), kWhite));
    const int before = placements_;

    Reshape(source, QSize(400, 300));
    const std::uint32_t moved[] = {1100, 500};
    xcb_configure_window(s_->Connection(), source, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y,
                         moved);
    s_->Client().Sync();
    Reshape(source, QSize(200, 800));
    ASSERT_TRUE(WaitUntil([&] { return placements_ > before; }, 5000));
    EXPECT_EQ(thumbnail_->SourceSize(), QSize(200, 800));
    for (const auto& [at, colour] : {std::pair{QPoint(50, 150), kBlack},
                                     {QPoint(350, 150), kBlack},
                                     {QPoint(200, 5), kWhite},
                                     {QPoint(200, 295), kWhite}}) {
        EXPECT_TRUE(Shows(at, colour)) << Where(at);
    }
    // One notice for the one change of size, none for the move.
    EXPECT_EQ(placements_, before + 1);
}

// A source of four quadrants (red, green / blue, white), 800 x 400, drawn cropped, filled,
// stretched and turned into the 400 x 300 destination by the server.
TEST_F(X11ThumbnailImageTest, CropModeAndTurnAreDrawnByTheServer) {
    constexpr QRgb kGreen = 0x00ff00u;
    constexpr QRgb kBlue = 0x0000ffu;
    const xcb_window_t source = MakeSource(QSize(800, 400));
    const auto dest = static_cast<WindowHandle>(destination_->winId());
    thumbnail_ = platform_->Compositor().CreateThumbnail(dest, source);
    ASSERT_NE(thumbnail_, nullptr);
    xcb_connection_t* c = s_->Connection();
    const std::pair<QRgb, xcb_rectangle_t> quadrants[] = {
        {kRed, {0, 0, 400, 200}}, {kGreen, {400, 0, 400, 200}}, {kBlue, {0, 200, 400, 200}}};
    for (const auto& [colour, box] : quadrants) {
        const xcb_gcontext_t gc = xcb_generate_id(c);
        xcb_create_gc(c, gc, source, XCB_GC_FOREGROUND, &colour);
        xcb_poly_fill_rectangle(c, source, gc, 1, &box);
        xcb_free_gc(c, gc);
    }
    s_->Client().Sync();
    struct Row {
        const char* name;
        QRect crop;
        CloneMode mode;
        ImageTurn turn;
        QRgb topLeft, topRight, bottomLeft, bottomRight;  // at 20 px from each corner
    };
    // Scaled quarter turns take two steps: made smaller, scaled then turned; enlarged, turned
    // then scaled. Filled, only the visible middle is drawn, the turned image cut at the top
    // and bottom, its halves meeting mid-height.
    const Row rows[] = {
        {"stretch", {}, CloneMode::Stretch, ImageTurn::None, kRed, kGreen, kBlue, kWhite},
        {"crop",
         {400, 0, 400, 200},
         CloneMode::Fill,
         ImageTurn::None,
         kGreen,
         kGreen,
         kGreen,
         kGreen},
        {"fill", {}, CloneMode::Fill, ImageTurn::None, kRed, kGreen, kBlue, kWhite},
        {"flip_x", {}, CloneMode::Stretch, ImageTurn::FlipX, kGreen, kRed, kWhite, kBlue},
        {"rotate_90", {}, CloneMode::Stretch, ImageTurn::Rotate90, kBlue, kRed, kWhite, kGreen},
        {"crop_fill_90",
         {200, 100, 400, 200},
         CloneMode::Fill,
         ImageTurn::Rotate90,
         kBlue,
         kRed,
         kWhite,
         kGreen},
        {"crop_fill_270",
         {0, 0, 800, 200},
         CloneMode::Fill,
         ImageTurn::Rotate270,
         kGreen,
         kGreen,
         kRed,
         kRed},
    };
    for (const Row& row : rows) {
        const QRect shown = row.crop.isEmpty() ? QRect(0, 0, 800, 400) : row.crop;
        ASSERT_TRUE(thumbnail_->SetSource(row.crop, row.turn));
        thumbnail_->Place(
            *ModeDestination(TurnedSize(shown.size(), row.turn), QSize(400, 300), row.mode), true);
        EXPECT_TRUE(Shows(QPoint(20, 20), row.topLeft)) << row.name;
        EXPECT_TRUE(Shows(QPoint(380, 20), row.topRight)) << row.name;
        EXPECT_TRUE(Shows(QPoint(20, 280), row.bottomLeft)) << row.name;
        EXPECT_TRUE(Shows(QPoint(380, 280), row.bottomRight)) << row.name;
    }
}

// New frames go straight into the window, so the last image must be kept elsewhere before
// the source goes: after the source is destroyed, the clone still shows it, also where
// another window covered it meanwhile (an Expose).
TEST_F(X11ThumbnailImageTest, LastImageStaysAfterTheSourceIsGoneAndIsExposed) {
    const xcb_window_t source = MakeSource(QSize(400, 300));
    Clone(source, true);
    ASSERT_TRUE(Shows(QPoint(200, 150), kWhite));
    // A new frame after the first whole paint, in another colour.
    const std::uint32_t red = kRed;
    xcb_change_window_attributes(s_->Connection(), source, XCB_CW_BACK_PIXEL, &red);
    xcb_clear_area(s_->Connection(), 0, source, 0, 0, 0, 0);
    s_->Client().Sync();
    ASSERT_TRUE(Shows(QPoint(200, 150), kRed));
    s_->Destroy(source);
    ASSERT_TRUE(WaitUntil([&] { return !thumbnail_->SourceSize().has_value(); }, 5000));

    X11TestSession::WindowSpec cover;
    cover.overrideRedirect = true;
    const xcb_window_t over = s_->CreateWindow(cover);  // black, at 10,10, 200 x 100
    const std::uint32_t black = 0;
    xcb_change_window_attributes(s_->Connection(), over, XCB_CW_BACK_PIXEL, &black);
    xcb_clear_area(s_->Connection(), 0, over, 0, 0, 0, 0);
    s_->Client().Sync();
    ASSERT_TRUE(Shows(QPoint(100, 50), kBlack));
    s_->Destroy(over);
    EXPECT_TRUE(Shows(QPoint(100, 50), kRed));
    EXPECT_TRUE(Shows(QPoint(300, 250), kRed));
}

struct PointerCase {
    const char* name;
    bool fit;
    QPoint onSource;  // where the pointer goes, in the source
    QRect expected;   // where its red square shows on the destination
};

class X11PointerTest : public X11ThumbnailImageTest,
                       public ::testing::WithParamInterface<PointerCase> {};

// A 200 x 150 source fitted into 400 x 300 doubles (the square is 20 x 20); at its natural
// size it is centred at 100, 75 and the square keeps its 10 x 10.
INSTANTIATE_TEST_SUITE_P(Placements, X11PointerTest,
                         ::testing::Values(PointerCase{"Fit", true, {50, 40}, {100, 80, 20, 20}},
                                           PointerCase{
                                               "Natural", false, {50, 40}, {150, 115, 10, 10}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(X11PointerTest, PointerShowsWhereItIsOverTheSourceAndLeavesWithIt) {
    const PointerCase& c = GetParam();
    const xcb_window_t source = MakeSource(QSize(200, 150));
    Clone(source, c.fit);
    const QPoint inside = c.expected.center();
    const QPoint right(c.expected.right() + 4, c.expected.center().y());
    const QPoint below(c.expected.center().x(), c.expected.bottom() + 4);
    ASSERT_TRUE(Shows(inside, kWhite));

    // Entering at one place, then moving inside the source: the square follows.
    s_->Client().MoveTo(kSourceAt.x() + 5, kSourceAt.y() + 5);
    s_->Client().MoveTo(kSourceAt.x() + c.onSource.x(), kSourceAt.y() + c.onSource.y());
    EXPECT_TRUE(Shows(inside, kRed)) << Where(inside);
    // Scaled, the square's outermost pixels blend with the image.
    const QPoint corner = c.expected.topLeft() + QPoint(2, 2);
    EXPECT_TRUE(Shows(corner, kRed)) << Where(corner);
    EXPECT_TRUE(Shows(right, kWhite)) << Where(right);
    EXPECT_TRUE(Shows(below, kWhite)) << Where(below);

    // Moving on inside: the square follows, and the old place shows the image again.
    const int scale = c.expected.width() / 10;
    s_->Client().MoveTo(kSourceAt.x() + c.onSource.x() + 30, kSourceAt.y() + c.onSource.y() + 20);
    const QPoint further = inside + QPoint(30, 20) * scale;
    EXPECT_TRUE(Shows(further, kRed)) << Where(further);
    EXPECT_TRUE(Shows(inside, kWhite)) << Where(inside);
    s_->Client().MoveTo(kSourceAt.x() + c.onSource.x(), kSourceAt.y() + c.onSource.y());
    ASSERT_TRUE(Shows(inside, kRed));

    // Onto a window stacked over the source's right half, still inside the source's
    // rectangle: the pointer is over that window now, not the source. The square's old place
    // clears in the frame that would draw it at the new one.
    X11TestSession::WindowSpec coverShape;
    coverShape.overrideRedirect = true;
    const xcb_window_t cover = s_->CreateWindow(coverShape);
    const std::uint32_t halfOver[] = {static_cast<std::uint32_t>(kSourceAt.x() + 100),
                                      static_cast<std::uint32_t>(kSourceAt.y()), 100, 150};
    xcb_configure_window(s_->Connection(), cover,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                             XCB_CONFIG_WINDOW_HEIGHT,
                         halfOver);
    s_->Client().Sync();
    s_->Client().MoveTo(kSourceAt.x() + c.onSource.x() + 100, kSourceAt.y() + c.onSource.y());
    const QPoint covered = inside + QPoint(100, 0) * scale;
    ASSERT_TRUE(Shows(inside, kWhite)) << "over the covering window";
    EXPECT_TRUE(SameColour(s_->Client().PixelAt(covered.x(), covered.y()), kWhite))
        << "drawn under the covering window at " << Where(covered);
    s_->Client().MoveTo(kSourceAt.x() + c.onSource.x(), kSourceAt.y() + c.onSource.y());
    EXPECT_TRUE(Shows(inside, kRed)) << "back on the source";
    s_->Destroy(cover);

    // Off the source: the image alone.
    s_->Client().MoveTo(kSourceAt.x() - 50, kSourceAt.y() + c.onSource.y());
    EXPECT_TRUE(Shows(inside, kWhite));

    // Turned off, the pointer is not drawn even over the source.
    platform_->Compositor().SetPointerShown(false);
    s_->Client().MoveTo(kSourceAt.x() + c.onSource.x(), kSourceAt.y() + c.onSource.y());
    s_->Client().MoveTo(kSourceAt.x() + c.onSource.x() + 1, kSourceAt.y() + c.onSource.y());
    s_->Client().MoveTo(kSourceAt.x() + c.onSource.x(), kSourceAt.y() + c.onSource.y());
    // Give the program a chance to draw what it should not.
    EXPECT_FALSE(WaitUntil(
        [&] { return SameColour(s_->Client().PixelAt(inside.x(), inside.y()), kRed); }, 500));
    platform_->Compositor().SetPointerShown(true);
    s_->Client().MoveTo(kSourceAt.x() - 50, kSourceAt.y());
    s_->Client().MoveTo(kSourceAt.x() + c.onSource.x(), kSourceAt.y() + c.onSource.y());
    EXPECT_TRUE(Shows(inside, kRed)) << "on again";

    // The source goes with the pointer over it: its last image stays, without the pointer.
    s_->Destroy(source);
    EXPECT_TRUE(Shows(inside, kWhite)) << "after the source has gone";
}

// No crossing tells that the pointer is over the source already when the clone opens or
// when drawing the pointer is turned on: it shows all the same, without a move.
TEST_P(X11PointerTest, PointerAlreadyOverTheSourceShowsWithoutAMove) {
    const PointerCase& c = GetParam();
    const xcb_window_t source = MakeSource(QSize(200, 150));
    s_->Client().MoveTo(kSourceAt.x() + c.onSource.x(), kSourceAt.y() + c.onSource.y());
    Clone(source, c.fit);
    const QPoint inside = c.expected.center();
    const QPoint right(c.expected.right() + 4, c.expected.center().y());
    EXPECT_TRUE(Shows(inside, kRed)) << "on opening, " << Where(inside);
    EXPECT_TRUE(Shows(right, kWhite)) << Where(right);

    platform_->Compositor().SetPointerShown(false);
    ASSERT_TRUE(Shows(inside, kWhite)) << "turned off";
    platform_->Compositor().SetPointerShown(true);
    EXPECT_TRUE(Shows(inside, kRed)) << "turned on again, " << Where(inside);
}

// The pointer's shape turns with the image: the 200 x 150 source at its natural size, turned,
// the pointer at 50, 40 (the square's top-left corner, its hot spot) shows its square where
// the turn takes it, not hanging right and down from the hot spot as when unturned.
TEST_F(X11ThumbnailImageTest, PointerShapeTurnsWithTheImage) {
    const xcb_window_t source = MakeSource(QSize(200, 150));
    s_->Client().MoveTo(kSourceAt.x() + 50, kSourceAt.y() + 40);
    const auto dest = static_cast<WindowHandle>(destination_->winId());
    thumbnail_ = platform_->Compositor().CreateThumbnail(dest, source);
    ASSERT_NE(thumbnail_, nullptr);
    struct Row {
        ImageTurn turn;
        QRect square;  // where the red square shows
        QPoint hot;    // where its hot spot shows
    };
    const Row rows[] = {{ImageTurn::Rotate90, {225, 100, 10, 10}, {235, 100}},
                        {ImageTurn::Rotate180, {240, 175, 10, 10}, {250, 185}},
                        {ImageTurn::Rotate270, {165, 190, 10, 10}, {165, 200}},
                        {ImageTurn::FlipY, {150, 175, 10, 10}, {150, 185}}};
    for (const Row& row : rows) {
        const std::string name = TurnName(row.turn).toStdString();
        ASSERT_TRUE(thumbnail_->SetSource({}, row.turn));
        thumbnail_->Place(*ModeDestination(TurnedSize(QSize(200, 150), row.turn), QSize(400, 300),
                                           CloneMode::Natural),
                          true);
        EXPECT_TRUE(Shows(row.square.center(), kRed)) << name;
        const QPoint unturned = row.hot + QPoint(5, 5);
        EXPECT_TRUE(Shows(unturned, kWhite)) << name << " at " << Where(unturned);
    }
}

}  // namespace
