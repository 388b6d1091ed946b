// How the bytes of one catalog file become entries: marks, code pages, lines, fields.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/l10n/CatalogTestSupport.h"

namespace {

struct Entry {
    std::string section;
    std::string name;
    QString text;
    QString hint;
    friend bool operator==(const Entry&, const Entry&) = default;
};

void PrintTo(const Entry& e, std::ostream* os) {
    *os << "{" << e.section << " | " << e.name << " | " << e.text.toStdString() << " | "
        << e.hint.toStdString() << "}";
}

std::vector<Entry> Entries(const TLanguageStrings& language) {
    std::vector<Entry> entries;
    for (const auto& s : language.Strings) {
        entries.push_back({s.Section, s.Name, s.Text, s.Hint});
    }
    return entries;
}

class CatalogFormatTest : public ::testing::Test {
  protected:
    std::vector<Entry> Parse(const QByteArray& bytes) {
        return Entries(*ParseCatalogBytes(bytes, folder_.CodePage()));
    }

    CatalogFolder folder_;  // a catalog in the Western code page for each test
};

const QString kGermanText = QString::fromUtf8(
    "; Kommentar\r\n"
    "MainForm~<DEFAULT>~\"Quillane Vantrel\"\r\n"
    "MainForm~IdentifyMonitorsButtonW~\"Monitore identifizieren\"~\"Zeigt auf jedem "
    "Bildschirm seine Nummer\"\r\n"
    "<SP>~5~\"Vantrel braucht die Aero-Oberfläche.<1310>Bitte 😀 schalten\"\r\n");

TEST_F(CatalogFormatTest, EveryByteOrderMarkGivesTheSameEntries) {
    const std::vector<Entry> expected = {
        {"MainForm", "<DEFAULT>", "Quillane Vantrel", ""},
        {"MainForm", "IdentifyMonitorsButtonW", "Monitore identifizieren",
         "Zeigt auf jedem Bildschirm seine Nummer"},
        {"<SP>", "5", QString::fromUtf8("Vantrel braucht die Aero-Oberfläche.\r\nBitte 😀 schalten"),
         ""},
    };
    const std::vector<std::pair<const char*, QByteArray>> encodings = {
        {"UTF-16LE", Utf16Le(kGermanText)},
        {"UTF-16BE", Utf16Be(kGermanText)},
        {"UTF-8", Utf8WithMark(kGermanText)},
    };
    for (const auto& [name, bytes] : encodings) {
        EXPECT_EQ(Parse(bytes), expected) << name;
    }
}

// A whole catalog as a translator's editor saves it in UTF-16LE (an earlier French catalog).
TEST_F(CatalogFormatTest, RealUtf16LeCatalogReadsEveryEntryWithItsAccents) {
    folder_.SetLanguage(0x040c);
    const auto language =
        ParseCatalogFile(VANTREL_L10N_TEST_DATA "/040c-utf16le.lcl", folder_.CodePage());
    ASSERT_NE(language, nullptr);
    const std::vector<Entry> entries = Entries(*language);
    ASSERT_GE(entries.size(), 10u);
    EXPECT_EQ(entries[0].text, QString::fromUtf8("Quillane Vantrel – Cloner des fenêtres"));
    QString all;
    for (const Entry& entry : entries) {
        all += entry.text + entry.hint;
    }
    EXPECT_TRUE(all.contains(QString::fromUtf8("écran"))) << all.toStdString();
    EXPECT_FALSE(all.contains(QChar(0xFFFD)));
    EXPECT_FALSE(all.contains(QChar(0)));
}

TEST_F(CatalogFormatTest, FilesWithoutMarkAreDecodedInTheAnsiCodePage) {
    struct Case {
        std::uint32_t langId;
        QByteArray text;
        QString expected;
    };
    const std::vector<Case> cases = {
        {0x0409, "\x80", QString(QChar(0x20AC))},       // euro sign in 1252
        {0x0407, "\xE4", QString(QChar(0x00E4))},       // a umlaut in 1252
        {0x0419, "\xC0", QString(QChar(0x0410))},       // Cyrillic A in 1251
        {0x0415, "\xA5", QString(QChar(0x0104))},       // A ogonek in 1250
        {0x0408, "\xC1", QString(QChar(0x0391))},       // Greek Alpha in 1253
        {0x0411, "\x82\xA0", QString(QChar(0x3042))},   // Hiragana A in 932
        {0x0804, "\xC4\xE3", QString::fromUtf8("你")},  // 936
        {0x0412, "\xB0\xA1", QString::fromUtf8("가")},  // 949
        {0x0409, "\x81", QString(QChar(0x0081))},       // undefined in 1252: kept as C1 control
        {0x0411, "\x82", QString(QChar(0xFFFD))},       // lead byte without trail byte
    };
    for (const auto& c : cases) {
        folder_.SetLanguage(c.langId);
        const auto entries = Parse("S~N~\"" + c.text + "\"");
        ASSERT_EQ(entries.size(), 1u) << std::hex << c.langId;
        EXPECT_EQ(entries[0].text, c.expected) << std::hex << c.langId;
    }
}

TEST_F(CatalogFormatTest, CodePageFollowsTheLanguage) {
    const std::vector<std::pair<std::uint32_t, int>> cases = {
        {0x0409, 1252}, {0x0407, 1252}, {0x040C, 1252}, {0x0405, 1250}, {0x0415, 1250},
        {0x081A, 1250}, {0x0C1A, 1251}, {0x0419, 1251}, {0x0422, 1251}, {0x0408, 1253},
        {0x041F, 1254}, {0x040D, 1255}, {0x0401, 1256}, {0x0426, 1257}, {0x0425, 1257},
        {0x042A, 1258}, {0x041E, 874},  {0x0411, 932},  {0x0804, 936},  {0x0412, 949},
        {0x0404, 950},  {0x0C04, 950},  {0x0439, 1252}, {0x0000, 1252}, {0xFFFF, 1252},
    };
    for (const auto& [langId, codePage] : cases) {
        EXPECT_EQ(IcuCodePages().AnsiCodePageForLanguage(static_cast<std::uint16_t>(langId)),
                  codePage)
            << std::hex << langId;
    }
}

TEST_F(CatalogFormatTest, SectionAndNameAreHeldInTheAnsiCodePage) {
    const QByteArray line = Utf8WithMark(QString::fromUtf8("Menü~Größe~\"x\""));
    folder_.SetLanguage(0x0407);
    auto entries = Parse(line);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].section, "Men\xFC");
    EXPECT_EQ(entries[0].name,
              "Gr\xF6\xDF"
              "e");
    // Characters the code page lacks become question marks.
    folder_.SetLanguage(0x0419);
    entries = Parse(line);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].section, "Men?");
}

TEST_F(CatalogFormatTest, LinesCommentsAndShortLines) {
    struct Case {
        const char* what;
        QByteArray bytes;
        std::vector<Entry> expected;
    };
    const std::vector<Case> cases = {
        {"CR LF", "a~b~'x'\r\nc~d~'y'", {{"a", "b", "x", ""}, {"c", "d", "y", ""}}},
        {"LF only, last line ends",
         "a~b~'x'\nc~d~'y'\n",
         {{"a", "b", "x", ""}, {"c", "d", "y", ""}}},
        {"CR only", "a~b~'x'\rc~d~'y'", {{"a", "b", "x", ""}, {"c", "d", "y", ""}}},
        {"LF CR makes an empty line",
         "a~b~'x'\n\rc~d~'y'",
         {{"a", "b", "x", ""}, {"c", "d", "y", ""}}},
        {"comment", ";a~b~'x'\nc~d~'y'", {{"c", "d", "y", ""}}},
        {"blank then semicolon is an entry", " ;a~b~'x'", {{" ;a", "b", "x", ""}}},
        {"blanks are kept", " a ~ b ~'x'", {{" a ", " b ", "x", ""}}},
        {"fewer than three fields", "a~b\nonly\n   \nc~d~'y'", {{"c", "d", "y", ""}}},
        {"fifth field ignored", "a~b~'x'~'h'~'more'~", {{"a", "b", "x", "h"}}},
        {"NUL ends the text",
         QByteArrayLiteral("a~b~'1'\nc~d~'2'\ne~f~'3'\n\0g~h~'4'\n"),
         {{"a", "b", "1", ""}, {"c", "d", "2", ""}, {"e", "f", "3", ""}}},
        {"first entry of a pair kept in order",
         "a~b~'1'\na~b~'2'",
         {{"a", "b", "1", ""}, {"a", "b", "2", ""}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Parse(c.bytes), c.expected) << c.what;
    }
}

TEST_F(CatalogFormatTest, TextAndHintLoseTheirDelimitersAndExpandEscapes) {
    struct Case {
        QString line;
        QString text;
        QString hint;
    };
    const std::vector<Case> cases = {
        {"S~N~\"Hallo~Welt\"", "Hall", "elt"},
        {"S~N~\"\"~\"\"", "", ""},
        {"S~N~x~y", "", ""},
        {"S~N~~", "", ""},
        {"S~N~\"abc\" ", "abc\"", ""},
        {"S~N~[abc]~(hint)", "abc", "hint"},
        {"S~N~'a<1310>b<13>c<10>d<9>e'~'<9><9>'", "a\r\nb\rc\nd\te", "\t\t"},
        {"S~N~'<<9>><1310<13>>'", "<\t><1310\r>", ""},
        {"S~N~'<9 <X> <1311> <10'", "<9 <X> <1311> <10", ""},
    };
    for (const auto& c : cases) {
        const auto entries = Parse(c.line.toUtf8());
        ASSERT_EQ(entries.size(), 1u) << c.line.toStdString();
        EXPECT_EQ(entries[0].text, c.text) << c.line.toStdString();
        EXPECT_EQ(entries[0].hint, c.hint) << c.line.toStdString();
    }
    // Escapes are not expanded in the section or the name.
    const auto entries = Parse("<9>~<10>~'x'");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].section, "<9>");
    EXPECT_EQ(entries[0].name, "<10>");
}

TEST_F(CatalogFormatTest, SplitFieldsCutsAtEverySeparator) {
    using Fields = std::vector<QString>;
    const std::vector<std::tuple<QString, std::size_t, Fields>> cases = {
        {"a~b~", SIZE_MAX, {"a", "b", ""}},
        {"a", SIZE_MAX, {"a"}},
        {"", SIZE_MAX, {""}},
        {"~", SIZE_MAX, {"", ""}},
        {"a~b~c~d~e~f", SIZE_MAX, {"a", "b", "c", "d", "e", "f"}},
        {"a~b~c~d~e~f", 4, {"a", "b", "c", "d"}},
        {"a~b", 4, {"a", "b"}},
        {"a~b~c~d", 4, {"a", "b", "c", "d"}},
    };
    for (const auto& [line, limit, expected] : cases) {
        const Fields fields = limit == SIZE_MAX ? SplitFields(line, u'~')
                                                : SplitFields(QStringView(line), u'~', limit);
        EXPECT_EQ(fields, expected) << line.toStdString() << " limit " << limit;
    }
}

TEST_F(CatalogFormatTest, OddInputDecodesWithoutLosingTheValidPart) {
    // UTF-16 without a mark is 8-bit text, ending at its first zero byte.
    EXPECT_EQ(DecodeCatalogBytes(Utf16Le("S~N~'x'", false), folder_.CodePage()), "S");
    EXPECT_TRUE(Parse(Utf16Le("S~N~'x'", false)).empty());
    // An odd last byte of UTF-16 is dropped.
    EXPECT_EQ(DecodeCatalogBytes(Utf16Le("ab") + "c", folder_.CodePage()), "ab");
    // A NUL unit in UTF-16 ends the text.
    EXPECT_EQ(DecodeCatalogBytes(Utf16Le(QString("ab") + QChar(0) + "cd"), folder_.CodePage()),
              "ab");
    // Invalid UTF-8 becomes replacement characters.
    EXPECT_EQ(DecodeCatalogBytes("\xEF\xBB\xBF"
                                 "a\xFF"
                                 "b",
                                 folder_.CodePage()),
              QString("a") + QChar(0xFFFD) + "b");
    // An unpaired surrogate in a name becomes a question mark; the text keeps it.
    const QString lone = QString("S") + QChar(0xD800) + "~N~'" + QChar(0xDC00) + "x'";
    const auto entries = Parse(Utf16Le(lone));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].section, "S?");
    EXPECT_EQ(entries[0].text, QString(QChar(0xDC00)) + "x");
}

TEST_F(CatalogFormatTest, HugeLinesParseInLinearTime) {
    // One line of 10 MB, full of separators and escape tokens: a quadratic replace or split
    // would not finish within the test's time-out.
    QByteArray line = "S~N";
    const QByteArray chunk = "~[<9>ab<1310>]";
    while (line.size() < 10 * 1024 * 1024) {
        line += chunk;
    }
    const auto entries = Parse(line);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].text, "\tab\r\n");
    EXPECT_EQ(entries[0].hint, "\tab\r\n");

    QString text = "S~N~'";
    text += QString("<13>").repeated(2 * 1024 * 1024);
    const auto tokens = Parse(Utf16Le(text + "'"));
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].text, QString("\r").repeated(2 * 1024 * 1024));
}

TEST_F(CatalogFormatTest, GarbageNeverCrashes) {
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<char>(state >> 24);
    };
    for (const char* mark : {"", "\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF"}) {
        QByteArray bytes(mark);
        for (int i = 0; i < 256 * 1024; ++i) {
            bytes.append(next());
        }
        const auto language = ParseCatalogBytes(bytes, folder_.CodePage());
        for (const auto& entry : language->Strings) {
            EXPECT_FALSE(entry.Text.contains(QChar(0)));
        }
    }
}

}  // namespace
