// Title decoding, the bounded title copy and the monitor numbering: pure functions.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/x11/displays/X11DisplayLayout.h"
#include "platform/x11/windows/X11TitleText.h"

namespace {

struct DecodeCase {
    TitleEncoding encoding;
    std::string bytes;
    std::u16string expected;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << static_cast<int>(c.encoding) << ":" << c.bytes.size() << "bytes";
}

class DecodeTitleTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTitleTest, Decodes) {
    EXPECT_EQ(DecodeTitle(GetParam().encoding, GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DecodeTitleTest,
    ::testing::Values(DecodeCase{TitleEncoding::Utf8,
                                 "Gr\xC3\xBC\xC3\x9F"
                                 "e \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC",
                                 u"Grüße – 日本"},
                      DecodeCase{TitleEncoding::Utf8,
                                 "a\xFF"
                                 "b",
                                 u"a\uFFFDb"},  // invalid byte
                      DecodeCase{TitleEncoding::Utf8, std::string("ab\0cd", 5),
                                 u"ab"},  // ends at NUL
                      DecodeCase{TitleEncoding::Utf8, "\xF0\x9F\x98\x80", u"\U0001F600"},
                      DecodeCase{TitleEncoding::Latin1,
                                 "Gr\xFC\xDF"
                                 "e",
                                 u"Grüße"},
                      DecodeCase{TitleEncoding::Latin1, std::string("x\0y", 3), u"x"},
                      DecodeCase{TitleEncoding::CompoundText,
                                 "Gr\xFC\xDF"
                                 "e",
                                 u"Grüße"},
                      // As Xlib writes it: JIS X 0208 in GR (ESC $ ) B), back to Latin-1 (ESC - A).
                      DecodeCase{TitleEncoding::CompoundText, "A\x1B$)B\xC6\xFC\xCB\xDC\x1B-AZ\xFC",
                                 u"A日本Zü"}));

TEST(DecodeTitle, CutUtf8SequenceBecomesReplacementCharacters) {
    const std::u16string got = DecodeTitle(TitleEncoding::Utf8, "ab\xE6\x97");
    ASSERT_GT(got.size(), 2u);
    EXPECT_EQ(got.substr(0, 2), u"ab");
    for (char16_t c : got.substr(2)) {
        EXPECT_EQ(c, u'\uFFFD');
    }
}

TEST(NumberDisplays, PrimaryFirstThenLeftThenTop) {
    const std::vector<DisplayInfo> got = NumberDisplays({
        {QRect(1920, 0, 1280, 1024), "DP-2", false},
        {QRect(0, 1080, 1920, 1080), "HDMI-1", false},
        {QRect(0, 0, 1920, 1080), "DP-1", false},
        {QRect(3200, 0, 800, 600), "eDP-1", true},
        {QRect(0, 0, 0, 0), "empty", false},         // empty: dropped
        {QRect(0, 0, 1920, 1080), "mirror", false},  // a clone of another: dropped
    });
    const std::vector<DisplayInfo> expected{{QRect(3200, 0, 800, 600), "eDP-1"},
                                            {QRect(0, 0, 1920, 1080), "DP-1"},
                                            {QRect(0, 1080, 1920, 1080), "HDMI-1"},
                                            {QRect(1920, 0, 1280, 1024), "DP-2"}};
    EXPECT_EQ(got, expected);
}

}  // namespace
