// The clone under a Qt scale factor of 2: it still covers the display's device pixels and
// places the image in device pixels.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <memory>

#include "clone/CloneForm.h"
#include "tests/support/fake/FakePlatform.h"

namespace {

TEST(CloneScaled, CoversTheDisplayInDevicePixels) {
    setenv("QT_SCALE_FACTOR", "2", 1);
    int argc = 1;
    char name[] = "clone_scaled_tests";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    FakePlatform fake;
    // The offscreen screen is 800x600 device pixels at 0,0: 400x300 at the factor 2.
    fake.SetMonitors({{0, 0, 400, 600}, {400, 0, 400, 600}, {1000, 0, 600, 400}});
    const WindowHandle source = fake.AddWindow(QStringLiteral("Source"), {400, 300});
    auto clone = std::make_unique<TCloneForm>(fake.Compositor(), fake.Displays(), fake.System());
    clone->show();
    ASSERT_DOUBLE_EQ(clone->devicePixelRatioF(), 2.0);
    clone->StartClone(source, 1);
    EXPECT_EQ(clone->geometry(), QRect(200, 0, 200, 300));
    EXPECT_EQ(clone->ClientPixelSize(), QSize(400, 600));
    ASSERT_EQ(fake.Compositor().Records().size(), 1u);
    EXPECT_EQ(fake.Compositor().Records()[0].placements.back().destination,
              QRect(0, 150, 400, 300));
    // A display beyond every screen is scaled by the application's ratio.
    clone->StartClone(source, 2);
    EXPECT_EQ(clone->geometry(), QRect(500, 0, 300, 200));
    clone->CloseClone();
}

}  // namespace
