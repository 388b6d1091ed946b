// The single-instance lock and the language id: no X server needed.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <string>

#include "platform/posix/PosixLanguage.h"
#include "platform/x11/X11Platform.h"
#include "platform/x11/system/X11LockFile.h"
#include "platform/x11/system/X11SystemServices.h"
#include "tests/e2e/support/XvfbServer.h"

namespace fs = std::filesystem;

namespace {

// Sets or clears environment variables for one test and restores them afterwards.
class ScopedEnv {
  public:
    void Set(const char* name, const std::optional<std::string>& value) {
        if (!saved_.contains(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value) {
            setenv(name, value->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

  private:
    std::map<std::string, std::optional<std::string>> saved_;
};

class GuardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantrel-guard-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        env_.Set("XDG_RUNTIME_DIR", dir_.string());
        env_.Set("DISPLAY", ":7.0");
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
    ScopedEnv env_;
};

// A child process that takes the guard, reports whether it was free, then waits to be
// killed. Returns the child's pid, or -1.
pid_t StartHolder(bool* sawFree) {
    int fds[2];
    if (pipe(fds) != 0) {
        return -1;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const LockFileGuard g("Vantrel");
        const char answer = (g.Held() && !g.AlreadyRunning()) ? 'F' : 'T';
        (void)!write(fds[1], &answer, 1);
        for (;;) {
            pause();
        }
    }
    close(fds[1]);
    char answer = 0;
    const bool got = read(fds[0], &answer, 1) == 1;
    close(fds[0]);
    *sawFree = got && answer == 'F';
    return pid;
}

TEST_F(GuardTest, SecondHolderSeesTheFirstUntilItEnds) {
    {
        const LockFileGuard first("Vantrel");
        ASSERT_TRUE(first.Held());
        EXPECT_FALSE(first.AlreadyRunning());
        const LockFileGuard second("Vantrel");
        EXPECT_TRUE(second.AlreadyRunning());
    }
    const LockFileGuard third("Vantrel");
    EXPECT_TRUE(third.Held());
    EXPECT_FALSE(third.AlreadyRunning());
    // The file stays where it is: removing it would race with a starting copy.
    EXPECT_TRUE(fs::exists(dir_ / LockFileName("Vantrel", ":7.0")));
}

TEST_F(GuardTest, KilledHolderReleasesTheGuard) {
    bool childGotIt = false;
    const pid_t child = StartHolder(&childGotIt);
    ASSERT_GT(child, 0);
    ASSERT_TRUE(childGotIt);

    EXPECT_TRUE(LockFileGuard("Vantrel").AlreadyRunning());

    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const LockFileGuard after("Vantrel");
    EXPECT_TRUE(after.Held());
    EXPECT_FALSE(after.AlreadyRunning());
}

TEST_F(GuardTest, DisplaysDoNotConflictButScreensOfOneDisplayDo) {
    const LockFileGuard first("Vantrel");
    ASSERT_FALSE(first.AlreadyRunning());
    env_.Set("DISPLAY", ":8");
    const LockFileGuard other("Vantrel");
    EXPECT_TRUE(other.Held());
    EXPECT_FALSE(other.AlreadyRunning());
    env_.Set("DISPLAY", "unix:7.1");
    EXPECT_TRUE(LockFileGuard("Vantrel").AlreadyRunning());
}

TEST(LockFileName, StaysInsideTheLockFolder) {
    EXPECT_EQ(LockFileName("Vantrel", ":0"), "Vantrel-:0.lock");
    EXPECT_EQ(LockFileName("Vantrel", ":0.1"), "Vantrel-:0.lock");
    EXPECT_EQ(LockFileName("Vantrel", "localhost:10.0"), "Vantrel-localhost:10.lock");
    EXPECT_EQ(LockFileName("Vantrel", nullptr), "Vantrel-none.lock");
    EXPECT_EQ(LockFileName("Vantrel", ""), "Vantrel-none.lock");
    EXPECT_EQ(LockFileName("Vantrel", "../../etc/x:0"), "Vantrel-.._.._etc_x:0.lock");
    EXPECT_EQ(LockFileName("a/b", ":1"), "a_b-:1.lock");
}

class TempFallbackTest : public GuardTest {
  protected:
    void SetUp() override {
        GuardTest::SetUp();
        env_.Set("XDG_RUNTIME_DIR", std::nullopt);
        env_.Set("TMPDIR", dir_.string());
        private_ = dir_ / ("vantrel-" + std::to_string(geteuid()));
    }
    fs::path private_;
};

TEST_F(TempFallbackTest, MakesAPrivateFolderWithoutRuntimeDirectory) {
    const LockFileGuard g("Vantrel");
    ASSERT_TRUE(g.Held());
    EXPECT_FALSE(g.AlreadyRunning());
    struct stat st {};
    ASSERT_EQ(lstat(private_.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(LockFileGuard("Vantrel").AlreadyRunning());
}

TEST_F(TempFallbackTest, SymlinkedFolderIsRefused) {
    const fs::path elsewhere = dir_ / "elsewhere";
    fs::create_directory(elsewhere);
    fs::create_directory_symlink(elsewhere, private_);
    const LockFileGuard g("Vantrel");
    EXPECT_FALSE(g.Held());
    EXPECT_FALSE(g.AlreadyRunning());
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST_F(TempFallbackTest, SymlinkedLockFileIsRefused) {
    fs::create_directory(private_, dir_);
    fs::permissions(private_, fs::perms::owner_all);
    const fs::path target = dir_ / "target";
    fs::create_symlink(target, private_ / LockFileName("Vantrel", ":7.0"));
    const LockFileGuard g("Vantrel");
    EXPECT_FALSE(g.Held());
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(TempFallbackTest, FolderOfAnotherUserIsRefused) {
    // Making a folder owned by another user needs root.
    fs::create_directory(private_);
    ASSERT_EQ(chown(private_.c_str(), 65534, 65534), 0);
    const LockFileGuard g("Vantrel");
    EXPECT_FALSE(g.Held());
    EXPECT_FALSE(g.AlreadyRunning());
    EXPECT_TRUE(fs::is_empty(private_));
}

struct LocaleCase {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    std::uint16_t expected;
};

void PrintTo(const LocaleCase& c, std::ostream* os) {
    auto show = [](const char* v) { return v == nullptr ? "unset" : *v ? v : "empty"; };
    *os << show(c.lcAll) << "," << show(c.lcMessages) << "," << show(c.lang);
}

class LanguageIdTest : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LanguageIdTest, MapsTheLocaleSettings) {
    const LocaleCase& c = GetParam();
    ScopedEnv env;
    auto opt = [](const char* v) { return v ? std::optional<std::string>(v) : std::nullopt; };
    env.Set("LC_ALL", opt(c.lcAll));
    env.Set("LC_MESSAGES", opt(c.lcMessages));
    env.Set("LANG", opt(c.lang));
    EXPECT_EQ(LanguageIdFromLocale(), c.expected)
        << (c.lcAll ? c.lcAll : "-") << " / " << (c.lcMessages ? c.lcMessages : "-") << " / "
        << (c.lang ? c.lang : "-");
}

INSTANTIATE_TEST_SUITE_P(
    Table, LanguageIdTest,
    ::testing::Values(
        LocaleCase{nullptr, nullptr, "de_DE.UTF-8", 0x0407},
        LocaleCase{nullptr, nullptr, "de_CH", 0x0807},
        LocaleCase{nullptr, nullptr, "en_GB.UTF-8", 0x0809},
        LocaleCase{nullptr, nullptr, "fr_FR", 0x040C},
        LocaleCase{nullptr, nullptr, "ru_RU.KOI8-R", 0x0419},
        LocaleCase{nullptr, nullptr, "de", 0x0407},  // bare language: its main country
        LocaleCase{nullptr, nullptr, "sr_RS@latin", 0x241A},
        LocaleCase{nullptr, nullptr, "sr_RS", 0x281A},
        LocaleCase{nullptr, nullptr, "ca_ES@valencia", 0x0803},
        LocaleCase{nullptr, nullptr, "de_DE@euro", 0x0407},
        LocaleCase{nullptr, nullptr, "C", 0x0409}, LocaleCase{nullptr, nullptr, "C.UTF-8", 0x0409},
        LocaleCase{nullptr, nullptr, "POSIX", 0x0409}, LocaleCase{nullptr, nullptr, "", 0x0409},
        LocaleCase{nullptr, nullptr, nullptr, 0x0409},
        LocaleCase{nullptr, nullptr, "garbage", 0x0409},
        LocaleCase{nullptr, nullptr, "xx_YY.UTF-8", 0x0409},
        LocaleCase{"fr_FR.UTF-8", nullptr, "de_DE.UTF-8", 0x040C},
        LocaleCase{"", "ru_RU.UTF-8", "de_DE.UTF-8", 0x0419}, LocaleCase{"", "", "en_GB", 0x0809},
        LocaleCase{"C", "de_DE.UTF-8", "de_DE.UTF-8", 0x0409}));

}  // namespace

// The toolkit aborts when it cannot open a display, so the program asks first: no DISPLAY,
// a display nobody serves, a live one, and a toolkit platform other than xcb.
TEST(X11DisplayProblem, NamesWhatIsMissing) {
    XvfbServer server;
    ASSERT_TRUE(server.Running());
    struct Case {
        std::optional<std::string> platform;
        std::optional<std::string> display;
        std::optional<std::string> problem;
    };
    const std::vector<Case> cases = {
        {"xcb", std::nullopt, "Vantrel needs an X11 display; DISPLAY is not set"},
        {std::nullopt, "", "Vantrel needs an X11 display; DISPLAY is not set"},
        {"xcb", ":4711", "Vantrel needs an X11 display; cannot open display \":4711\""},
        {"xcb", server.Display(), std::nullopt},
        {"offscreen", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        ScopedEnv env;
        env.Set("QT_QPA_PLATFORM", c.platform);
        env.Set("DISPLAY", c.display);
        const std::optional<QString> problem = X11DisplayProblem();
        ASSERT_EQ(problem.has_value(), c.problem.has_value()) << c.display.value_or("unset");
        if (problem) {
            EXPECT_EQ(problem->toStdString(), *c.problem);
        }
    }
}

// The installer records the folder in the system-scope settings, an ini file under the
// first XDG configuration folder.
TEST(X11SystemServices, InstallPathComesFromTheSystemSettings) {
    const fs::path dir = fs::temp_directory_path() / ("vantrel-xdg-" + std::to_string(getpid()));
    fs::create_directories(dir / "Quillane");
    {
        std::ofstream conf(dir / "Quillane" / "Vantrel.conf");
        conf << "[General]\nInstallPath=/opt/vantrel\n";
    }
    ScopedEnv env;
    env.Set("XDG_CONFIG_DIRS", dir.string());
    X11ToolkitConnection toolkit;
    X11SystemServices services(toolkit);
    EXPECT_EQ(services.InstallPath().toStdString(), "/opt/vantrel");
    fs::remove_all(dir);
}
