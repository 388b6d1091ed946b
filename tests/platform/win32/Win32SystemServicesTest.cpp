// The guard, the language, the installation folder, the interface font and the clone
// window's style of the Win32 backend.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32/Win32Font.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32SystemServices.h"
#include "platform/win32/Win32WindowList.h"
#include "tests/platform/win32/Win32TestSupport.h"

namespace {

QString UniqueName(const char* what) {
    return QString("VantrelTest-%1-%2").arg(what).arg(GetCurrentProcessId());
}

TEST(Win32Guard, SecondProcessSeesTheGuardUntilTheFirstReleasesIt) {
    Win32SystemServices system;
    const QString name = UniqueName("guard");
    auto first = system.AcquireInstanceGuard(name);
    EXPECT_FALSE(first->AlreadyRunning());
    EXPECT_EQ(RunChild(L"--child-guard " + name.toStdWString()), ERROR_ALREADY_EXISTS);

    first.reset();
    EXPECT_EQ(RunChild(L"--child-guard " + name.toStdWString()), 0);
}

TEST(Win32Guard, SecondGuardInTheSameProcessAlsoSeesTheFirst) {
    const QString name = UniqueName("same");
    const Win32InstanceGuard first(name);
    const Win32InstanceGuard second(name);
    EXPECT_TRUE(first.Held());
    EXPECT_FALSE(first.AlreadyRunning());
    EXPECT_TRUE(second.Held());
    EXPECT_TRUE(second.AlreadyRunning());
}

TEST(Win32Guard, FailedCreationHoldsNothingAndLetsTheProgramRun) {
    // A name already taken by an object of another kind makes CreateMutexW fail.
    const QString name = UniqueName("event");
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, name.toStdWString().c_str());
    ASSERT_NE(event, nullptr);
    {
        const Win32InstanceGuard guard(name);
        EXPECT_FALSE(guard.Held());
        EXPECT_FALSE(guard.AlreadyRunning());
    }
    CloseHandle(event);
}

TEST(Win32Language, IsTheUserDefaultLanguageOfTheProcess) {
    EXPECT_EQ(Win32SystemServices().UserLanguageId(), GetUserDefaultLangID());
}

// The language follows the locale the program was started with. Under Wine that is the
// LC_ALL of the Wine invocation (LANG counts only where the glibc locale is installed), read
// when the process starts; a Windows environment block given to a child does not change
// it. The build registers runs of this case with LC_ALL set and the id it must give; the
// plain run leaves it out.
TEST(Win32Language, FollowsTheLocaleTheProgramWasStartedWith) {
    const char* expected = std::getenv("VANTREL_EXPECTED_LANGID");
    ASSERT_NE(expected, nullptr) << "run by the locale cases with VANTREL_EXPECTED_LANGID set";
    EXPECT_EQ(Win32SystemServices().UserLanguageId(), std::strtoul(expected, nullptr, 16));
}

// The installation folder, with the value written into the registry in every shape.
class Win32InstallPath : public testing::Test {
  protected:
    void SetUp() override { RemoveKey(); }
    void TearDown() override { RemoveKey(); }

    static void RemoveKey() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kInstallKey); }

    static void Write(DWORD type, const void* data, DWORD bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kInstallKey, 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(
            RegSetValueExW(key, kInstallValue, 0, type, static_cast<const BYTE*>(data), bytes),
            ERROR_SUCCESS);
        RegCloseKey(key);
    }

    static void WriteString(DWORD type, const std::wstring& text, bool terminated = true) {
        const auto bytes = (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t);
        Write(type, text.c_str(), static_cast<DWORD>(bytes));
    }
};

TEST_F(Win32InstallPath, AbsentKeyOrValueGivesEmpty) {
    EXPECT_EQ(Win32SystemServices().InstallPath(), QString());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kInstallKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(Win32SystemServices().InstallPath(), QString());
}

TEST_F(Win32InstallPath, StringValuesAreReadWhole) {
    struct Case {
        const char* what;
        DWORD type;
        std::wstring stored;
        bool terminated;
        std::wstring expected;
    };
    const std::wstring longPath = L"C:\\" + std::wstring(2000, L'x');
    const Case cases[] = {
        {"plain", REG_SZ, L"C:\\Apps\\Tool", true, L"C:\\Apps\\Tool"},
        {"trailing backslash kept", REG_SZ, L"C:\\Apps\\Tool\\", true, L"C:\\Apps\\Tool\\"},
        {"empty", REG_SZ, L"", true, L""},
        {"empty without terminator", REG_SZ, L"", false, L""},
        {"without terminator", REG_SZ, L"D:\\Vantrel", false, L"D:\\Vantrel"},
        {"not ANSI", REG_SZ, L"C:\\Pr\u00fcfung\\\u65e5\u672c", true,
         L"C:\\Pr\u00fcfung\\\u65e5\u672c"},
        {"expandable, not expanded", REG_EXPAND_SZ, L"%ProgramFiles%\\Vantrel", true,
         L"%ProgramFiles%\\Vantrel"},
        {"longer than a path", REG_SZ, longPath, true, longPath},
    };
    for (const Case& c : cases) {
        WriteString(c.type, c.stored, c.terminated);
        EXPECT_EQ(Win32SystemServices().InstallPath(), QString::fromStdWString(c.expected))
            << c.what;
    }
}

TEST_F(Win32InstallPath, OtherTypesGiveEmpty) {
    const DWORD number = 42;
    Write(REG_DWORD, &number, sizeof number);
    EXPECT_EQ(Win32SystemServices().InstallPath(), QString());
    const char bytes[] = "C:\\Apps";
    Write(REG_BINARY, bytes, sizeof bytes);
    EXPECT_EQ(Win32SystemServices().InstallPath(), QString());
    const wchar_t multi[] = L"C:\\A\0C:\\B\0";
    Write(REG_MULTI_SZ, multi, sizeof multi);
    EXPECT_EQ(Win32SystemServices().InstallPath(), QString());
}

LOGFONTW Record(LONG height, LONG weight, const std::wstring& face = L"DejaVu Sans") {
    LOGFONTW record{};
    record.lfHeight = height;
    record.lfWeight = weight;
    std::wcsncpy(record.lfFaceName, face.c_str(), LF_FACESIZE);
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
        LOGFONTW record;
        int pixelSize;
        bool bold;
        bool fixedPitch;
    };
    auto pitch = [](BYTE pitchAndFamily) {
        LOGFONTW record = Record(-12, 400);
        record.lfPitchAndFamily = pitchAndFamily;
        return record;
    };
    const Case cases[] = {
        {"negative height is the pixel size", Record(-16, 400), 16, false, true},
        {"positive height is taken as pixel size", Record(20, 400), 20, false, true},
        {"zero height keeps the size", Record(0, 400), 11, false, true},
        {"huge height is bounded", Record(LONG_MIN, 400), 4096, false, true},
        {"weight 699 is not bold", Record(-12, 699), 12, false, true},
        {"weight 700 is bold", Record(-12, 700), 12, true, true},
        {"weight 900 is bold", Record(-12, 900), 12, true, true},
        {"fixed pitch", pitch(0x31), 12, false, true},
        {"variable pitch", pitch(0x22), 12, false, false},
        {"default pitch keeps the font's", pitch(0x20), 12, false, true},
    };
    for (const Case& c : cases) {
        QFont font = StartFont();
        AdoptLogicalFont(font, c.record);
        EXPECT_EQ(font.pixelSize(), c.pixelSize) << c.what;
        EXPECT_EQ(font.bold(), c.bold) << c.what;
        EXPECT_EQ(font.fixedPitch(), c.fixedPitch) << c.what;
        EXPECT_EQ(font.family(), QString::fromWCharArray(c.record.lfFaceName)) << c.what;
    }
}

TEST(AdoptLogicalFont, StyleFlagsCountOnlyWhenExactlyOne) {
    for (BYTE value : {0, 1, 2, 255}) {
        LOGFONTW record = Record(-12, 400);
        record.lfItalic = record.lfUnderline = record.lfStrikeOut = value;
        QFont font = StartFont();
        font.setItalic(true);
        font.setUnderline(true);
        AdoptLogicalFont(font, record);
        EXPECT_EQ(font.italic(), value == 1) << int(value);
        EXPECT_EQ(font.underline(), value == 1) << int(value);
        EXPECT_EQ(font.strikeOut(), value == 1) << int(value);
    }
}

TEST(AdoptLogicalFont, FaceNameIsCutAt31UnitsAndNeverInsideACharacter) {
    LOGFONTW full = Record(-12, 400, L"");
    std::wmemset(full.lfFaceName, L'F', LF_FACESIZE);  // no terminator at all
    QFont font = StartFont();
    AdoptLogicalFont(font, full);
    EXPECT_EQ(font.family(), QString(31, 'F'));
    // A character outside the BMP is not split in half at the cut.
    AdoptLogicalFont(font, Record(-12, 400, std::wstring(30, L'y') + L"\U0001F600z"));
    EXPECT_EQ(font.family(), QString(30, 'y'));
    AdoptLogicalFont(font, Record(-12, 400, L"Caf\u00e9 \u65e5\u672c"));
    EXPECT_EQ(font.family(), QString::fromWCharArray(L"Caf\u00e9 \u65e5\u672c"));
}

TEST(Win32Fonts, DesktopFontsDescribeARealFont) {
    const std::optional<LOGFONTW> iconTitle = ReadIconTitleFont();
    const std::optional<LOGFONTW> fallback = ReadDefaultGuiFont();
    ASSERT_TRUE(iconTitle.has_value());
    ASSERT_TRUE(fallback.has_value());
    for (const LOGFONTW& font : {*iconTitle, *fallback}) {
        EXPECT_NE(font.lfFaceName[0], L'\0');
        EXPECT_NE(font.lfHeight, 0);
    }
    const QFont adopted = Win32SystemServices().InterfaceFont();
    EXPECT_EQ(adopted.family(), QString::fromWCharArray(iconTitle->lfFaceName));
    EXPECT_EQ(adopted.pixelSize(), std::abs(iconTitle->lfHeight));
}

TEST(Win32CloneWindow, PreparedWindowGetsNoTaskbarButton) {
    const OwnWindow clone(L"Window Clone", WS_EX_APPWINDOW, nullptr, false);
    ASSERT_NE(clone.Get(), nullptr);
    Win32SystemServices().PrepareCloneWindow(ToWindowHandle(clone.Get()));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(clone.Get(), GWL_EXSTYLE));
    EXPECT_NE(exStyle & WS_EX_TOOLWINDOW, 0u);
    EXPECT_EQ(exStyle & WS_EX_APPWINDOW, 0u);
    ShowWindow(clone.Get(), SW_SHOWNOACTIVATE);
    EXPECT_FALSE(IsSwitchableWindow(clone.Get()));
    // A window that is gone is ignored.
    Win32SystemServices().PrepareCloneWindow(0x7FFFFFF0u);
}

}  // namespace
