// Loading a catalog folder, choosing the language file and answering message lookups.
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/l10n/CatalogTestSupport.h"

namespace {

std::vector<std::int32_t> LoadedIds(CatalogFolder& folder) {
    std::vector<std::int32_t> ids;
    for (const auto& language : folder.Messages().Languages()) {
        ids.push_back(language->LangId);
    }
    return ids;
}

QString Entry(const char* text) {
    return QStringLiteral("<SP>~k~\"%1\"\n").arg(QString::fromUtf8(text));
}

TEST(LanguageIdFromFileName, OnlyHexadecimalNamesOfAtMost32Bits) {
    const std::vector<std::pair<std::string, std::int32_t>> cases = {
        {"0407.lcl", 0x0407},
        {"407.lcl", 0x0407},
        {"07.lcl", 0x07},
        {"AB.lcl", 0xAB},
        {"ab.LCL", 0xAB},
        {"0000000407.lcl", 0x0407},
        {"FFFFFFFF.lcl", -1},
        {"100000000.lcl", 0},
        {"0.lcl", 0},
        {"ge.lcl", 0},
        {"0x07.lcl", 0},
        {"+7.lcl", 0},
        {"-7.lcl", 0},
        {" 7.lcl", 0},
        {"7 .lcl", 0},
        {"07.1.lcl", 0},
        {".lcl", 0},
        {"$7.lcl", 0},
        // "d" and "e" are hexadecimal digits: de.lcl stands for 0xDE, which is no language's
        // id, so a German de.lcl never serves German.
        {"de.lcl", 0xDE},
    };
    for (const auto& [name, id] : cases) {
        EXPECT_EQ(LanguageIdFromFileName(name), id) << name;
    }
}

TEST(LoadCatalog, ListsOnlyLanguageFilesInNameOrder) {
    CatalogFolder folder;
    folder.WriteText("de.lcl", Entry("de"));
    folder.WriteText("ge.lcl", Entry("ge"));
    folder.WriteText("AB.lcl", Entry("ab"));
    folder.WriteText("0.lcl", Entry("zero"));
    folder.WriteText("0409.LCL", Entry("upper"));
    folder.WriteText("0408.lcl.txt", Entry("other extension"));
    folder.WriteText("0407.lc", Entry("other extension"));
    ASSERT_TRUE(QDir(QString::fromStdString(folder.Path())).mkdir("0410.lcl"));
    ASSERT_EQ(symlink("/nonexistent/target", folder.FilePath("0411.lcl").c_str()), 0);
    ASSERT_EQ(mkfifo(folder.FilePath("0412.lcl").c_str(), 0600), 0);  // would block a read

    for (const std::string& path : {folder.Path(), folder.Path() + "/"}) {
        folder.Messages().Clear();
        folder.Load(path);
        EXPECT_EQ(LoadedIds(folder), (std::vector<std::int32_t>{0x0409, 0xAB, 0xDE})) << path;
        EXPECT_EQ(folder.Lookup(0x0409), "upper");
        EXPECT_EQ(folder.Lookup(0xAB), "ab");
        EXPECT_EQ(folder.Lookup(0x0407), "default");
    }
}

TEST(LoadCatalog, MissingOrEmptyFolderLoadsNothing) {
    CatalogFolder folder;
    folder.Load("");
    folder.Load(folder.Path());
    folder.Load(folder.Path() + "/does-not-exist");
    EXPECT_TRUE(folder.Messages().Languages().empty());
    EXPECT_EQ(folder.Lookup(0x0409), "default");
}

TEST(LoadCatalog, FollowsLinksToFilesAndSkipsUnreadableOnes) {
    CatalogFolder folder;
    folder.WriteText("real.txt", Entry("linked"));
    ASSERT_EQ(symlink(folder.FilePath("real.txt").c_str(), folder.FilePath("0409.lcl").c_str()), 0);
    folder.Load();
    EXPECT_EQ(folder.Lookup(0x0409), "linked");
}

// A regular file whose read fails: this process's memory file answers an error at offset 0,
// for root as for anyone, where a file without permissions would still be read by root.
TEST(LoadCatalog, UnreadableFileIsSkipped) {
    CatalogFolder folder;
    ASSERT_EQ(symlink("/proc/self/mem", folder.FilePath("0407.lcl").c_str()), 0);
    folder.WriteText("07.lcl", Entry("primary"));
    folder.Load();
    EXPECT_EQ(LoadedIds(folder), (std::vector<std::int32_t>{0x07}));
    EXPECT_EQ(folder.Lookup(0x0407), "primary");
}

TEST(LoadCatalog, LargeFileLoadsEveryEntry) {
    CatalogFolder folder;
    QByteArray bytes;
    const int count = 200000;
    for (int i = 0; i < count; ++i) {
        bytes += "<SP>~key" + QByteArray::number(i) + "~\"text " + QByteArray::number(i) + "\"\r\n";
    }
    folder.Write("0409.lcl", bytes);
    folder.Load();
    ASSERT_EQ(folder.Messages().Languages().size(), 1u);
    EXPECT_EQ(folder.Messages().Languages()[0]->Strings.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(folder.Lookup(0x0409, "key199999"), "text 199999");
}

struct LanguageCase {
    const char* what;
    std::vector<std::pair<const char*, const char*>> files;  // name, text of key "k"
    std::int32_t langId;
    const char* expected;
};

TEST(FindLanguage, ExactIdFirstThenBarePrimaryLanguage) {
    const std::vector<LanguageCase> cases = {
        {"exact loaded before primary",
         {{"0407.lcl", "exact"}, {"7.lcl", "primary"}},
         0x0407,
         "exact"},
        {"exact loaded after primary",
         {{"00007.lcl", "primary"}, {"0407.lcl", "exact"}},
         0x0407,
         "exact"},
        {"other sublanguage uses primary",
         {{"0407.lcl", "exact"}, {"07.lcl", "primary"}},
         0x0807,
         "primary"},
        {"a sublanguage never serves another", {{"0409.lcl", "us"}}, 0x0809, "default"},
        {"first of two exact files wins",
         {{"0407.lcl", "first"}, {"407.lcl", "second"}},
         0x0407,
         "first"},
        {"last of two primary files wins",
         {{"07.lcl", "first"}, {"7.lcl", "last"}},
         0x0407,
         "last"},
        {"missing key does not fall through",
         {{"0407.lcl", nullptr}, {"07.lcl", "primary"}},
         0x0407,
         "default"},
    };
    for (const auto& c : cases) {
        CatalogFolder folder;
        for (const auto& [name, text] : c.files) {
            folder.WriteText(name, text ? Entry(text) : QString("<SP>~other~\"x\"\n"));
        }
        folder.Load();
        EXPECT_EQ(folder.Lookup(c.langId), QString::fromUtf8(c.expected)) << c.what;
    }
}

TEST(FindLanguage, EmptyOrCommentOnlyExactFileGivesDefaults) {
    for (const char* content : {"", "; only a comment\r\n;another\r\n"}) {
        CatalogFolder folder;
        folder.WriteText("0407.lcl", content);
        folder.WriteText("07.lcl", Entry("primary"));
        folder.Load();
        ASSERT_NE(folder.Messages().FindLanguage(0x0407), nullptr);
        EXPECT_EQ(folder.Messages().FindLanguage(0x0407)->LangId, 0x0407);
        EXPECT_EQ(folder.Lookup(0x0407), "default") << content;
    }
}

TEST(FindString, FirstMatchingEntryWinsAndMissesLeaveOutputsAlone) {
    CatalogFolder folder;
    folder.WriteText("0409.lcl",
                     "F~N~'first'~'hint'\nF~N~'second'\nF~n~'lower'\n<SP>~5~'five'~'h'\n");
    folder.Load();
    const TLanguageStrings* language = folder.Messages().FindLanguage(0x0409);
    ASSERT_NE(language, nullptr);
    QString text = "unchanged";
    QString hint = "unchanged";
    EXPECT_TRUE(FindString(*language, "F", "N", text, hint));
    EXPECT_EQ(text, "first");
    EXPECT_EQ(hint, "hint");
    text = hint = "unchanged";
    EXPECT_FALSE(FindString(*language, "f", "N", text, hint));
    EXPECT_FALSE(FindString(*language, "F", "X", text, hint));
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(hint, "unchanged");
    EXPECT_EQ(folder.Messages().GetMessageTextById(0x0409, 5, "d"),
              "five");  // the hint is not used
}

TEST(MessageText, PlaceholdersAndEscapes) {
    CatalogFolder folder;
    folder.WriteText("0409.lcl",
                     "<SP>~of~'%s1% of %s2%'\n<SP>~5~'five %s1%'\n<SP>~-3~'minus'\n"
                     "<SP>~near~'%s%s1%2%'\n<SP>~tab~'a<9>b'\n");
    folder.Load();
    struct Case {
        const char* what;
        QString actual;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"empty S2 removes its placeholder",
         folder.Messages().FormatMessageText(0x0409, "of", "d", "3", ""), "3 of "},
        {"S2 replaced inside S1",
         folder.Messages().FormatMessageText(0x0409, "of", "d", "x%s2%", "y"), "xy of y"},
        {"arguments are not unescaped",
         folder.Messages().FormatMessageText(0x0409, "of", "d", "<9>", "%S1%"), "<9> of %S1%"},
        {"placeholder made by joining",
         folder.Messages().FormatMessageText(0x0409, "near", "d", "", "two"), "two"},
        {"GetMessageText keeps placeholders", folder.Messages().GetMessageText(0x0409, "of", "d"),
         "%s1% of %s2%"},
        {"by number", folder.Messages().FormatMessageTextById(0x0409, 5, "d", "1", ""), "five 1"},
        {"negative number", folder.Messages().GetMessageTextById(0x0409, -3, "d"), "minus"},
        {"catalog text unescaped", folder.Messages().GetMessageText(0x0409, "tab", "d"), "a\tb"},
        {"default unescaped", folder.Messages().GetMessageText(0x0409, "none", "x<9>y<1310>"),
         "x\ty\r\n"},
        {"default without catalog", folder.Messages().GetMessageText(0x0411, "of", "a<9>%s1%"),
         "a\t%s1%"},
        {"default formatted",
         folder.Messages().FormatMessageText(0x0411, "of", "This has %s1% monitors.", "2", ""),
         "This has 2 monitors."},
        {"other placeholders stay",
         folder.Messages().FormatMessageText(0x0411, "k", "%s3%%s1%", "1", ""), "%s3%1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.actual, c.expected) << c.what;
    }
}

}  // namespace
