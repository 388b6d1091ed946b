#include <QLabel>

#include <gtest/gtest.h>

#include "monitors/MonitorNumberForm.h"
#include "tests/support/TestApplication.h"
#include "tests/support/fake/FakePlatform.h"
#include "widgets/DeviceGeometry.h"

namespace {

class MonitorNumFormTest : public ::testing::Test {
  protected:
    void SetUp() override { TestApplication(); }
    FakePlatform fake;
};

TEST_F(MonitorNumFormTest, IsAnUnframedTopmostToolWindowWithLargeBoldDigits) {
    TMonitorNumForm form(fake.Displays());
    EXPECT_EQ(form.objectName(), "MonitorNumForm");
    EXPECT_EQ(form.parent(), nullptr);
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form.autoFillBackground());
    EXPECT_EQ(form.palette().color(QPalette::Window), form.palette().color(QPalette::Button));

    QLabel* label = form.MonitorNumLabel();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->objectName(), "MonitorNumLabel");
    EXPECT_EQ(label->text(), "1");
    EXPECT_EQ(label->alignment(), Qt::AlignCenter);
    EXPECT_EQ(label->font().family(), "Arial");
    EXPECT_EQ(label->font().pixelSize(), 85);
    EXPECT_TRUE(label->font().bold());
}

TEST_F(MonitorNumFormTest, DigitsKeepTheirFontWhenTheWindowFontChanges) {
    TMonitorNumForm form(fake.Displays());
    QFont other(QStringLiteral("DejaVu Serif"));
    other.setPixelSize(9);
    other.setItalic(true);
    form.setFont(other);
    const QFont font = form.MonitorNumLabel()->font();
    EXPECT_EQ(font.family(), "Arial");
    EXPECT_EQ(font.pixelSize(), 85);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());
}

struct Placement {
    int index;
    QRect rect;
    const char* caption;
    const char* digits;
};

TEST_F(MonitorNumFormTest, PlaceOnMonitorNumbersAndCoversTheReportedRectangle) {
    const std::vector<Placement> cases = {
        {0, {0, 0, 1920, 1080}, "Monitor 1", "1"},
        {1, {1920, 0, 1280, 1024}, "Monitor 2", "2"},
        {2, {-1280, -300, 1280, 720}, "Monitor 3", "3"},
        {3, {0, -1080, 800, 600}, "Monitor 4", "4"},
    };
    std::vector<QRect> monitors;
    for (const auto& c : cases) {
        monitors.push_back(c.rect);
    }
    fake.SetMonitors(monitors);

    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        TMonitorNumForm form(fake.Displays());
        form.PlaceOnMonitor(c.index);
        form.show();
        EXPECT_EQ(form.windowTitle(), c.caption);
        EXPECT_EQ(form.MonitorNumLabel()->text(), c.digits);
        const QRect expected = c.rect;
        EXPECT_EQ(form.geometry(), expected);
        EXPECT_EQ(form.frameGeometry(), expected);
        // The digits fill the whole overlay, so they sit in the middle of the display.
        EXPECT_EQ(form.MonitorNumLabel()->geometry(), QRect(QPoint(0, 0), expected.size()));
    }
}

TEST_F(MonitorNumFormTest, PlacedByScreenTheOverlayGoesFullScreenWhenShown) {
    fake.SetMonitors({{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}});
    TMonitorNumForm form(fake.Displays());
    form.SetScreenPlacement(true);
    form.PlaceOnMonitor(1);
    EXPECT_FALSE(form.isVisible()) << "shown by the caller, not by the placement";
    form.show();
    EXPECT_TRUE(form.isFullScreen());
    EXPECT_EQ(form.MonitorNumLabel()->text(), "2");
    EXPECT_NE(form.geometry(), QRect(1920, 0, 1280, 1024)) << "no geometry of its own";
}

struct ScaleCase {
    const char* name;
    QRect device;
    QList<ScreenScale> screens;
    QRect logical;
    qreal fallbackRatio = 1.0;
};

TEST(DeviceGeometryTest, MapsDevicePixelsToLogicalCoordinatesOfTheScreenHoldingThem) {
    const ScreenScale plain{QRect(0, 0, 1920, 1080), 1.0};
    const ScreenScale doubled{QRect(0, 0, 960, 540), 2.0};
    const ScreenScale rightOfDoubled{QRect(1920, 0, 1280, 1024), 1.0};
    const ScreenScale leftHalf{QRect(-1000, 0, 1000, 500), 1.5};
    const std::vector<ScaleCase> cases = {
        {"unscaled", QRect(0, 0, 1920, 1080), {plain}, QRect(0, 0, 1920, 1080)},
        {"doubled", QRect(0, 0, 1920, 1080), {doubled}, QRect(0, 0, 960, 540)},
        {"offset on doubled", QRect(960, 540, 960, 540), {doubled}, QRect(480, 270, 480, 270)},
        {"second screen keeps its origin",
         QRect(1920, 0, 1280, 1024),
         {doubled, rightOfDoubled},
         QRect(1920, 0, 1280, 1024)},
        {"negative origin", QRect(-1000, 0, 1500, 750), {leftHalf}, QRect(-1000, 0, 1000, 500)},
        {"on no screen", QRect(5000, 5000, 100, 100), {plain}, QRect(5000, 5000, 100, 100)},
        {"no screens", QRect(-10, -10, 20, 20), {}, QRect(-10, -10, 20, 20)},
        {"on no screen, fallback ratio",
         QRect(5000, 4000, 100, 60),
         {plain},
         QRect(2500, 2000, 50, 30),
         2.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LogicalFromDeviceRect(c.device, c.screens, c.fallbackRatio), c.logical);
    }
}

}  // namespace
