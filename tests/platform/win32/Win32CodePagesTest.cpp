// The ANSI code pages through Windows: the same cases the catalog's decoding has on other
// platforms, answered here by MultiByteToWideChar, WideCharToMultiByte and the locale data.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Win32CodePages.h"

namespace {

TEST(Win32CodePages, DecodeBytesOfEachCodePage) {
    struct Case {
        int codePage;
        QByteArray bytes;
        QString expected;
    };
    const std::vector<Case> cases = {
        {1252, "\x80", QString(QChar(0x20AC))},        // euro sign
        {1252, "\xE4", QString(QChar(0x00E4))},        // a umlaut
        {1251, "\xC0", QString(QChar(0x0410))},        // Cyrillic A
        {1250, "\xA5", QString(QChar(0x0104))},        // A ogonek
        {1253, "\xC1", QString(QChar(0x0391))},        // Greek Alpha
        {932, "\x82\xA0", QString(QChar(0x3042))},     // Hiragana A
        {936, "\xC4\xE3", QString::fromUtf8("你")},    //
        {949, "\xB0\xA1", QString::fromUtf8("가")},    //
        {1252, "\x81", QString(QChar(0x0081))},        // undefined: kept as C1 control
        {932, "\x82", QString(QChar(0xFFFD))},         // lead byte without trail byte
        {932, "a\x82", "a" + QString(QChar(0xFFFD))},  // ... after good text
        {932, "\x82\xA0\x82", QString(QChar(0x3042)) + QChar(0xFFFD)},
        {1252, "plain ASCII", "plain ASCII"},
        {1252, "", ""},
    };
    const Win32CodePages pages;
    for (const Case& c : cases) {
        EXPECT_EQ(pages.Decode(c.codePage, c.bytes), c.expected)
            << c.codePage << " " << c.bytes.toHex().toStdString();
    }
}

TEST(Win32CodePages, EncodeGivesQuestionMarksForWhatTheCodePageLacks) {
    struct Case {
        int codePage;
        QString text;
        QByteArray expected;
    };
    const std::vector<Case> cases = {
        {1252, QString::fromUtf8("Menü"), "Men\xFC"},
        {1252, QString::fromUtf8("Größe"),
         "Gr\xF6\xDF"
         "e"},
        {1251, QString::fromUtf8("Menü"), "Men?"},  // no u umlaut in Cyrillic
        {1251, QString::fromUtf8("Меню"), "\xCC\xE5\xED\xFE"},
        {932, QString(QChar(0x3042)), "\x82\xA0"},
        {1252, QString::fromUtf8("日本"), "??"},
        // No best fit: a look-alike (A with a ring below, for plain A) is not taken.
        {1252, QString(QChar(0x1E00)), "?"},
        {1252, QString("a") + QChar(0xD800) + "b", "a?b"},  // unpaired surrogate
        {1252, "", ""},
    };
    const Win32CodePages pages;
    for (const Case& c : cases) {
        EXPECT_EQ(pages.Encode(c.codePage, c.text), c.expected)
            << c.codePage << " " << c.text.toStdString();
    }
}

TEST(Win32CodePages, CodePageFollowsTheLanguage) {
    const std::vector<std::pair<std::uint16_t, int>> cases = {
        {0x0409, 1252}, {0x0407, 1252}, {0x040C, 1252}, {0x0405, 1250}, {0x0415, 1250},
        {0x081A, 1250}, {0x0C1A, 1251}, {0x0419, 1251}, {0x0422, 1251}, {0x0408, 1253},
        {0x041F, 1254}, {0x040D, 1255}, {0x0401, 1256}, {0x0426, 1257}, {0x0425, 1257},
        {0x042A, 1258}, {0x041E, 874},  {0x0411, 932},  {0x0804, 936},  {0x0412, 949},
        {0x0404, 950},  {0x0C04, 950},  {0x0439, 1252}, {0x0000, 1252}, {0xFFFF, 1252},
    };
    const Win32CodePages pages;
    for (const auto& [languageId, codePage] : cases) {
        EXPECT_EQ(pages.AnsiCodePageForLanguage(languageId), codePage) << std::hex << languageId;
    }
}

}  // namespace
