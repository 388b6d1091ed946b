// Adopting logical-font records into a window's font, and where the records come from.
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "l10n/FormTranslation.h"
#include "platform/fake/FakePlatform.h"
#include "platform/x11/X11System.h"

namespace {

LogicalFont Record(int height, int weight, const std::string& face = "DejaVu Sans") {
    LogicalFont record;
    record.height = height;
    record.weight = weight;
    record.faceName = face;
    return record;
}

QFont StartFont() {
    QFont font("Liberation Serif");
    font.setPixelSize(11);
    font.setFixedPitch(true);
    return font;
}

TEST(AdoptLogicalFont, TakesEachAttributeFromTheRecord) {
    struct Case {
        const char* what;
        LogicalFont record;
        int pixelSize;
        bool bold;
        bool fixedPitch;
    };
    auto with = [](LogicalFont record, auto change) {
        change(record);
        return record;
    };
    const std::vector<Case> cases = {
        {"negative height is the pixel size", Record(-16, 400), 16, false, true},
        {"positive height is taken as pixel size", Record(20, 400), 20, false, true},
        {"zero height keeps the size", Record(0, 400), 11, false, true},
        {"huge height is bounded", Record(INT_MIN, 400), 4096, false, true},
        {"weight 699 is not bold", Record(-12, 699), 12, false, true},
        {"weight 700 is bold", Record(-12, 700), 12, true, true},
        {"weight 900 is bold", Record(-12, 900), 12, true, true},
        {"fixed pitch", with(Record(-12, 400), [](auto& r) { r.pitchAndFamily = 0x31; }), 12, false,
         true},
        {"variable pitch", with(Record(-12, 400), [](auto& r) { r.pitchAndFamily = 0x22; }), 12,
         false, false},
        {"default pitch keeps the font's",
         with(Record(-12, 400), [](auto& r) { r.pitchAndFamily = 0x20; }), 12, false, true},
    };
    for (const auto& c : cases) {
        QFont font = StartFont();
        AdoptLogicalFont(font, c.record);
        EXPECT_EQ(font.pixelSize(), c.pixelSize) << c.what;
        EXPECT_EQ(font.bold(), c.bold) << c.what;
        EXPECT_EQ(font.fixedPitch(), c.fixedPitch) << c.what;
        EXPECT_EQ(font.family(), QString::fromStdString(c.record.faceName)) << c.what;
    }
}

TEST(AdoptLogicalFont, StyleFlagsCountOnlyWhenExactlyOne) {
    for (std::uint8_t value : {0, 1, 2, 255}) {
        LogicalFont record = Record(-12, 400);
        record.italic = record.underline = record.strikeOut = value;
        QFont font = StartFont();
        font.setItalic(true);
        font.setUnderline(true);
        AdoptLogicalFont(font, record);
        EXPECT_EQ(font.italic(), value == 1) << int(value);
        EXPECT_EQ(font.underline(), value == 1) << int(value);
        EXPECT_EQ(font.strikeOut(), value == 1) << int(value);
    }
}

TEST(AdoptLogicalFont, FaceNameIsCutAt31Characters) {
    QFont font = StartFont();
    AdoptLogicalFont(font, Record(-12, 400, std::string(40, 'x')));
    EXPECT_EQ(font.family(), QString(31, 'x'));
    // A character outside the BMP is not split in half at the cut.
    AdoptLogicalFont(font, Record(-12, 400, std::string(30, 'y') + "😀z"));
    EXPECT_EQ(font.family(), QString(30, 'y'));
}

TEST(ApplySystemFont, DesktopFontElseDefaultGuiFont) {
    FakePlatform& fake = InstallFakePlatform();
    fake.SetDefaultGuiFont(Record(-11, 400, "Fallback"));
    fake.SetIconTitleFont(Record(-15, 700, "Desktop"));
    QFont font = StartFont();
    ApplySystemFont(font);
    EXPECT_EQ(font.family(), "Desktop");
    EXPECT_EQ(font.pixelSize(), 15);
    EXPECT_TRUE(font.bold());

    fake.SetIconTitleFont(std::nullopt);
    ApplySystemFont(font);
    EXPECT_EQ(font.family(), "Fallback");
    EXPECT_EQ(font.pixelSize(), 11);
    EXPECT_FALSE(font.bold());

    InstallPlatform(nullptr);
    QFont untouched = StartFont();
    ApplySystemFont(untouched);
    EXPECT_EQ(untouched, StartFont());
}

TEST(DesktopFontRecord, DescribesQtsGeneralFont) {
    const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const std::optional<LogicalFont> record = DesktopGeneralFont();
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(QString::fromStdString(record->faceName), general.family());
    EXPECT_EQ(record->weight, general.weight());
    EXPECT_LT(record->height, 0);
    EXPECT_EQ(record->italic, general.italic() ? 1 : 0);

    // Adopting the record gives back the same font.
    QFont adopted = StartFont();
    AdoptLogicalFont(adopted, *record);
    EXPECT_EQ(adopted.family(), general.family());
    EXPECT_EQ(adopted.bold(), general.bold());
}

TEST(DesktopFontRecord, ApplicationFontInPixelsAndPoints) {
    const QFont saved = QGuiApplication::font();
    QFont pixels("DejaVu Sans Mono");
    pixels.setPixelSize(20);
    pixels.setWeight(QFont::Bold);
    pixels.setItalic(true);
    pixels.setStrikeOut(true);
    pixels.setFixedPitch(true);
    QGuiApplication::setFont(pixels);
    LogicalFont record = ApplicationDefaultFont();
    EXPECT_EQ(record.height, -20);
    EXPECT_EQ(record.weight, 700);
    EXPECT_EQ(record.italic, 1);
    EXPECT_EQ(record.underline, 0);
    EXPECT_EQ(record.strikeOut, 1);
    EXPECT_EQ(record.pitchAndFamily & 0x0F, 1);
    EXPECT_EQ(record.faceName, "DejaVu Sans Mono");

    QFont points("DejaVu Sans");
    points.setPointSize(12);
    QGuiApplication::setFont(points);
    record = ApplicationDefaultFont();
    const qreal dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    EXPECT_EQ(record.height, -static_cast<int>(std::lround(12 * dpi / 72)));
    EXPECT_EQ(record.pitchAndFamily & 0x0F, 2);
    QGuiApplication::setFont(saved);
}

}  // namespace
