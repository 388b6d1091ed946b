// The catalog files shipped in Messages/, read with the program's own loader: every entry is
// a key the forms or the messages really ask for, every such key is translated in every file,
// and the texts decode to the letters of their language.
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "l10n/Catalog.h"
#include "platform/IcuCodePages.h"

namespace {

const QString kMessagesDir = QStringLiteral(VANTREL_MESSAGES_DIR);

// Every key through which the catalog can reach a text, with the program's English text.
struct OfferedKey {
    const char* section;
    const char* name;
    const char* english;
};

constexpr OfferedKey kOfferedKeys[] = {
    {"MainForm", "<DEFAULT>", "Quillane Vantrel"},
    {"MainForm", "MonitorsLabelW", "This system has 1 monitor."},
    {"MainForm", "WindowListLabelW", "Window List:"},
    {"MainForm", "HelpLabelW",
     "Locate the window that you want to clone and click the display number button on its left "
     "to clone on that display. Click the button again to remove the clone of the window."},
    {"MainForm", "AboutButtonW", "A&bout..."},
    {"MainForm", "IdentifyMonitorsButtonW", "Identify Monitors"},
    {"MainForm", "HideButtonW", "Hide in System Tray"},
    {"MainForm", "ExitButtonW", "E&xit"},
    {"MainForm", "ChooseWindowButtonW", "Choose &Window..."},
    {"AboutForm", "<DEFAULT>", "About Vantrel"},
    {"AboutForm", "OKButtonW", "OK"},
    {"<SP>", "MainForm:MonitorCountOne", "This system has 1 monitor."},
    {"<SP>", "MainForm:MonitorCountMulti", "This system has %s1% monitors."},
    {"<SP>", "5", "Vantrel requires Windows Aero interface to be enabled."},
};

// The buttons whose caption is a button's: an "&" there marks the access key.
bool IsButton(const OfferedKey& key) {
    return QByteArray(key.name).endsWith("ButtonW");
}

struct ShippedFile {
    const char* fileName;
    std::int32_t langId;
    // Letters that only decode right when the file's encoding is read right.
    const char* mustContain;
};

constexpr ShippedFile kShippedFiles[] = {
    {"0407.lcl", 0x0407, "Über"},
    {"07.lcl", 0x07, "Über"},
    {"040c.lcl", 0x040c, "écran"},
    {"0419.lcl", 0x0419, "монитор"},
};

void PrintTo(const ShippedFile& file, std::ostream* os) {
    *os << file.fileName;
}

QByteArray ReadBytes(const QString& fileName) {
    QFile file(QDir(kMessagesDir).filePath(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

// All texts and hints of a set, one after the other.
QString AllTexts(const TLanguageStrings& language) {
    QString all;
    for (const auto& entry : language.Strings) {
        all += entry.Text + QLatin1Char('\n') + entry.Hint + QLatin1Char('\n');
    }
    return all;
}

int CountAccessKeys(const QString& caption) {
    int count = 0;
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (caption[i + 1] != QLatin1Char('&')) {
                ++count;
            }
            ++i;
        }
    }
    return count;
}

class ShippedCatalog : public ::testing::TestWithParam<ShippedFile> {
  protected:
    void SetUp() override {
        language_ = ParseCatalogFile(
            QDir(kMessagesDir).filePath(QString::fromLatin1(GetParam().fileName)).toStdString(),
            codePage_);
        ASSERT_NE(language_, nullptr) << GetParam().fileName << " cannot be read";
    }

    IcuCodePages codePages_;
    CatalogCodePage codePage_{codePages_, static_cast<std::uint32_t>(GetParam().langId)};
    std::unique_ptr<TLanguageStrings> language_;
};

TEST_P(ShippedCatalog, IsMarkedTextWithAHeaderAndWellFormedLines) {
    const QByteArray bytes = ReadBytes(QString::fromLatin1(GetParam().fileName));
    // Without a byte-order mark the file would be read in an 8-bit code page.
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE"))
        << "no UTF-8 or UTF-16LE byte-order mark";
    const QString text = DecodeCatalogBytes(bytes, codePage_);
    EXPECT_TRUE(text.startsWith(QLatin1Char(';'))) << "no comment header";
    EXPECT_FALSE(text.contains(QChar(0xFFFD))) << "undecodable bytes";
    EXPECT_FALSE(text.contains(QChar(0))) << "a NUL would end the file early";

    // Section~Name~"Text"~"Hint": no stray blank after a quote, no tilde or quote inside.
    static const QRegularExpression entryLine(
        QStringLiteral(R"(^[^~";\s][^~"]*~[^~"\s]+~"[^~"]*"(~"[^~"]*")?$)"));
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) {
            continue;
        }
        EXPECT_TRUE(entryLine.match(line).hasMatch()) << "malformed entry: " << line.toStdString();
    }
}

TEST_P(ShippedCatalog, HoldsOnlyKeysTheProgramOffersEachOnce) {
    std::set<std::pair<std::string, std::string>> offered;
    for (const auto& key : kOfferedKeys) {
        offered.emplace(key.section, key.name);
    }
    std::set<std::pair<std::string, std::string>> seen;
    for (const auto& entry : language_->Strings) {
        const auto key = std::make_pair(entry.Section, entry.Name);
        EXPECT_TRUE(offered.count(key) == 1)
            << "no form or message asks for " << entry.Section << "~" << entry.Name;
        EXPECT_TRUE(seen.insert(key).second)
            << "duplicate " << entry.Section << "~" << entry.Name << " (only the first is used)";
    }
}

TEST_P(ShippedCatalog, TranslatesEveryOfferedKeyKeepingPlaceholdersAndAccessKeys) {
    for (const auto& key : kOfferedKeys) {
        SCOPED_TRACE(std::string(key.section) + "~" + key.name);
        QString text;
        QString hint;
        ASSERT_TRUE(FindString(*language_, key.section, key.name, text, hint)) << "not translated";
        EXPECT_FALSE(text.trimmed().isEmpty());
        const QString english = QString::fromUtf8(key.english);
        for (const QString& placeholder : {QStringLiteral("%s1%"), QStringLiteral("%s2%")}) {
            EXPECT_EQ(text.count(placeholder), english.count(placeholder))
                << "placeholder " << placeholder.toStdString() << " in " << text.toStdString();
        }
        EXPECT_EQ(text.count(QLatin1Char('%')), english.count(QLatin1Char('%')))
            << text.toStdString();
        if (IsButton(key)) {
            EXPECT_EQ(CountAccessKeys(text), CountAccessKeys(english))
                << "access keys in " << text.toStdString();
        }
    }
}

TEST_P(ShippedCatalog, ButtonAccessKeysOfAFormDoNotClash) {
    std::set<QString> keys;
    for (const auto& key : kOfferedKeys) {
        QString text;
        QString hint;
        if (!IsButton(key) || !FindString(*language_, key.section, key.name, text, hint)) {
            continue;
        }
        const qsizetype amp = text.indexOf(QLatin1Char('&'));
        if (amp >= 0 && amp + 1 < text.size()) {
            const QString letter = QString(key.section) + text.mid(amp + 1, 1).toCaseFolded();
            EXPECT_TRUE(keys.insert(letter).second)
                << "access key used twice: " << text.toStdString();
        }
    }
}

TEST_P(ShippedCatalog, DecodesTheLettersOfItsLanguage) {
    const QString all = AllTexts(*language_);
    EXPECT_TRUE(all.contains(QString::fromUtf8(GetParam().mustContain))) << all.toStdString();
    EXPECT_FALSE(all.contains(QChar(0xFFFD)));
    // Mis-decoded UTF-8 shows up as "Ã" or "Ð" followed by another Latin-1 letter.
    EXPECT_FALSE(all.contains(QRegularExpression(QStringLiteral("[ÃÐÑ][\u0080-\u00BF]"))))
        << all.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Messages, ShippedCatalog, ::testing::ValuesIn(kShippedFiles),
                         [](const auto& info) {
                             return "Lang" + QString::number(info.param.langId, 16)
                                                 .rightJustified(4, QLatin1Char('0'))
                                                 .toStdString();
                         });

class ShippedFolder : public ::testing::Test {
  protected:
    IcuCodePages codePages_;
    Catalog catalog_{codePages_, 0x0409};
};

TEST_F(ShippedFolder, HoldsOnlyTheCheckedLanguageFiles) {
    std::set<QString> expected;
    for (const auto& file : kShippedFiles) {
        expected.insert(QString::fromLatin1(file.fileName));
    }
    const QStringList present =
        QDir(kMessagesDir)
            .entryList({QStringLiteral("*.lcl"), QStringLiteral("*.LCL")}, QDir::Files);
    EXPECT_EQ(std::set<QString>(present.begin(), present.end()), expected);
    for (const QString& name : present) {
        EXPECT_NE(LanguageIdFromFileName(name.toStdString()), 0) << name.toStdString();
    }
}

TEST_F(ShippedFolder, GermanAndPrimaryGermanAgree) {
    const std::string dir = kMessagesDir.toStdString();
    const auto german = ParseCatalogFile(dir + "/0407.lcl", catalog_.CodePage());
    const auto primary = ParseCatalogFile(dir + "/07.lcl", catalog_.CodePage());
    ASSERT_TRUE(german && primary);
    ASSERT_EQ(german->Strings.size(), primary->Strings.size());
    for (std::size_t i = 0; i < german->Strings.size(); ++i) {
        const auto& a = german->Strings[i];
        const auto& b = primary->Strings[i];
        EXPECT_EQ(a.Section, b.Section);
        EXPECT_EQ(a.Name, b.Name);
        EXPECT_EQ(a.Text, b.Text) << a.Section << "~" << a.Name;
        EXPECT_EQ(a.Hint, b.Hint) << a.Section << "~" << a.Name;
    }
}

// The whole path the program takes: load the folder, pick the language, look up and format.
TEST_F(ShippedFolder, ServesEachLanguageAndItsVariants) {
    struct Case {
        std::int32_t langId;
        const char* monitors;  // the monitor count message for 3 displays
    };
    const Case cases[] = {
        {0x0407, "Dieses System hat 3 Bildschirme."},  // German (Germany)
        {0x0807, "Dieses System hat 3 Bildschirme."},  // German (Switzerland), through 07.lcl
        {0x0c07, "Dieses System hat 3 Bildschirme."},  // German (Austria), through 07.lcl
        {0x040c, "Ce système dispose de 3 écrans."},  {0x0419, "Мониторов в системе: 3."},
        {0x0409, "This system has 3 monitors."},  // English: the built-in text
        {0x080c, "This system has 3 monitors."},  // Belgian French: no file of its own
    };
    catalog_.Load(kMessagesDir.toStdString());
    ASSERT_EQ(catalog_.Languages().size(), std::size(kShippedFiles));
    for (const auto& c : cases) {
        EXPECT_EQ(catalog_.FormatMessageText(c.langId, "MainForm:MonitorCountMulti",
                                             QStringLiteral("This system has %s1% monitors."),
                                             QStringLiteral("3"), QString()),
                  QString::fromUtf8(c.monitors))
            << std::hex << c.langId;
        const QString composition =
            catalog_.GetMessageTextById(c.langId, 5, QStringLiteral("default"));
        const bool builtIn = QString::fromUtf8(c.monitors).startsWith(QStringLiteral("This"));
        EXPECT_EQ(composition == QStringLiteral("default"), builtIn) << std::hex << c.langId;
        // A translated message 5 is shown on X11, Windows and Wayland alike, so it names what
        // is needed on each.
        if (!builtIn) {
            for (const char* needed : {"Composite, RENDER", "Aero", "xdg-desktop-portal"}) {
                EXPECT_TRUE(composition.contains(QString::fromLatin1(needed)))
                    << needed << ": " << composition.toStdString();
            }
        }
    }
}

}  // namespace
