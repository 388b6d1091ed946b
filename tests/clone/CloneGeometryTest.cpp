// The crop, the modes and the turns of a clone's image, table-driven, without a window.
#include <gtest/gtest.h>

#include <QPointF>
#include <QRect>

#include "platform/CloneGeometry.h"

namespace {

struct ModeRow {
    const char* name;
    QSize image;
    QSize client;
    CloneMode mode;
    QRect destination;
};

// Fill covers the client and cuts the overflow evenly; stretch is the client exactly.
const ModeRow kModeRows[] = {
    {"fill_wide", {1000, 500}, {1920, 1200}, CloneMode::Fill, QRect(-240, 0, 2400, 1200)},
    {"fill_tall", {600, 800}, {1920, 1080}, CloneMode::Fill, QRect(0, -740, 1920, 2560)},
    {"fill_same_shape", {960, 540}, {1920, 1080}, CloneMode::Fill, QRect(0, 0, 1920, 1080)},
    {"stretch", {600, 800}, {1920, 1080}, CloneMode::Stretch, QRect(0, 0, 1920, 1080)},
    {"fit", {600, 800}, {1920, 1080}, CloneMode::Fit, QRect(555, 0, 810, 1080)},
    {"natural", {600, 800}, {1920, 1080}, CloneMode::Natural, QRect(660, 140, 600, 800)},
};

TEST(CloneGeometry, ModesPlaceTheImage) {
    for (const ModeRow& row : kModeRows) {
        EXPECT_EQ(ModeDestination(row.image, row.client, row.mode), row.destination) << row.name;
    }
    EXPECT_FALSE(ModeDestination({0, 10}, {10, 10}, CloneMode::Fill));
    EXPECT_FALSE(ModeDestination({10, 10}, {10, 0}, CloneMode::Stretch));
}

struct CropRow {
    const char* name;
    CloneCrop crop;
    QSize window;
    QRect shown;
};

// Proportional to the window's size, then clamped to it.
const CropRow kCropRows[] = {
    {"whole", {}, {800, 600}, QRect(0, 0, 800, 600)},
    {"same_size", {QRect(100, 50, 200, 100), {800, 600}}, {800, 600}, QRect(100, 50, 200, 100)},
    {"doubled", {QRect(100, 50, 200, 100), {800, 600}}, {1600, 1200}, QRect(200, 100, 400, 200)},
    {"halved_x", {QRect(100, 50, 200, 100), {800, 600}}, {400, 600}, QRect(50, 50, 100, 100)},
    {"clamped", {QRect(700, 500, 200, 200), {0, 0}}, {800, 600}, QRect(700, 500, 100, 100)},
    {"outside_is_whole", {QRect(900, 700, 50, 50), {0, 0}}, {800, 600}, QRect(0, 0, 800, 600)},
};

TEST(CloneGeometry, CropFollowsTheWindow) {
    for (const CropRow& row : kCropRows) {
        EXPECT_EQ(ShownRect(row.crop, row.window), row.shown) << row.name;
    }
}

struct TurnRow {
    ImageTurn turn;
    QSize turned;  // of a 400 x 100 image
    // Where the source's top-left and bottom-right pixel centres land on a 40 x 10 (or
    // 10 x 40) destination at 1000, 0.
    QPointF topLeft;
    QPointF bottomRight;
};

const TurnRow kTurnRows[] = {
    {ImageTurn::None, {400, 100}, {1000.5, 0.5}, {1039.5, 9.5}},
    {ImageTurn::FlipX, {400, 100}, {1039.5, 0.5}, {1000.5, 9.5}},
    {ImageTurn::FlipY, {400, 100}, {1000.5, 9.5}, {1039.5, 0.5}},
    {ImageTurn::Rotate90, {100, 400}, {1009.5, 0.5}, {1000.5, 39.5}},
    {ImageTurn::Rotate180, {400, 100}, {1039.5, 9.5}, {1000.5, 0.5}},
    {ImageTurn::Rotate270, {100, 400}, {1000.5, 39.5}, {1009.5, 0.5}},
};

// A point of a crop at 50, 20 of the window maps onto the destination and back.
TEST(CloneGeometry, TurnsMapBothWays) {
    const QRect shown(50, 20, 400, 100);
    for (const TurnRow& row : kTurnRows) {
        const QString name = TurnName(row.turn);
        EXPECT_EQ(TurnedSize(shown.size(), row.turn), row.turned) << name.toStdString();
        const QRect destination(QPoint(1000, 0), row.turned / 10);
        const auto topLeft = PlaceOnDestination({55, 25}, shown, row.turn, destination);
        const auto bottomRight = PlaceOnDestination({445, 115}, shown, row.turn, destination);
        ASSERT_TRUE(topLeft && bottomRight) << name.toStdString();
        EXPECT_EQ(*topLeft, row.topLeft) << name.toStdString();
        EXPECT_EQ(*bottomRight, row.bottomRight) << name.toStdString();
        // The backends' map sends each destination point back where it came from.
        const auto m = DestinationToSource(shown, row.turn, destination.size());
        for (const QPointF& on : {row.topLeft, row.bottomRight}) {
            const QPointF at = on - QPointF(destination.topLeft());
            const QPointF back(m[0] * at.x() + m[1] * at.y() + m[2],
                               m[3] * at.x() + m[4] * at.y() + m[5]);
            EXPECT_EQ(PlaceOnDestination(back, shown, row.turn, destination), on)
                << name.toStdString();
        }
        EXPECT_EQ(TurnFromName(name), row.turn);
    }
}

TEST(CloneGeometry, PointerOutsideTheCropIsNotShown) {
    const QRect shown(50, 20, 400, 100);
    const QRect destination(0, 0, 400, 100);
    for (const QPointF& outside : {QPointF(49.9, 50), QPointF(450, 50), QPointF(100, 120)}) {
        EXPECT_FALSE(PlaceOnDestination(outside, shown, ImageTurn::None, destination));
    }
}

// A drag over the display crops the window's pixels under it, through the turn.
TEST(CloneGeometry, DragChoosesTheCropUnderIt) {
    const QRect shown(0, 0, 800, 600);
    EXPECT_EQ(CropFromDrag({600, 500}, {200, 100}, QRect(0, 0, 1600, 1200), shown, ImageTurn::None),
              QRect(100, 50, 200, 200));
    // Rotated, the window's top-left corner is at the display's top right.
    EXPECT_EQ(
        CropFromDrag({1000, 0}, {1200, 400}, QRect(0, 0, 1200, 1600), shown, ImageTurn::Rotate90),
        QRect(0, 0, 200, 100));
    EXPECT_FALSE(
        CropFromDrag({10, 10}, {10, 300}, QRect(0, 0, 1600, 1200), shown, ImageTurn::None));
}

TEST(CloneGeometry, NamesAndCropText) {
    for (const CloneMode mode :
         {CloneMode::Fit, CloneMode::Natural, CloneMode::Fill, CloneMode::Stretch}) {
        EXPECT_EQ(ModeFromName(ModeName(mode)), mode);
    }
    EXPECT_FALSE(ModeFromName(QStringLiteral("cover")));
    EXPECT_FALSE(TurnFromName(QStringLiteral("45")));
    EXPECT_EQ(CropFromText(QStringLiteral("640x360+10+0")), QRect(10, 0, 640, 360));
    EXPECT_EQ(CropText(QRect(10, 0, 640, 360)), QStringLiteral("640x360+10+0"));
    for (const char* bad :
         {"0x360+0+0", "640x360", "640x360-1+0", " 640x360+0+0", "1x1+0+0+0", "999999x1+0+0"}) {
        EXPECT_FALSE(CropFromText(QString::fromLatin1(bad))) << bad;
    }
}

}  // namespace
