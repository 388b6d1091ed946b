// The desktop font without a GUI application: nothing from the desktop, a sane fallback.
#include <gtest/gtest.h>

#include "platform/x11/X11System.h"

TEST(DesktopFontRecord, WithoutApplication) {
    EXPECT_FALSE(DesktopGeneralFont().has_value());
    const LogicalFont fallback = ApplicationDefaultFont();
    EXPECT_LT(fallback.height, 0);
    EXPECT_EQ(fallback.weight, 400);
    EXPECT_FALSE(fallback.faceName.empty());
}
