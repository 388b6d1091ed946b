// Kept clones: which window one comes back to, how it waits for its window and display,
// and the file they are saved in.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>

#include <functional>
#include <map>

#include "clones/CloneSet.h"
#include "clones/KeptMatch.h"
#include "clones/KeptStore.h"
#include "tests/support/fake/FakePlatform.h"

namespace {

const QString kSlides = QStringLiteral("/usr/bin/slides");

WindowIdentity Window(const char* windowClass, const char* title, const QString& exe = kSlides) {
    return {QString::fromLatin1(windowClass).toLower(), QString::fromLatin1(windowClass), exe,
            QString::fromLatin1(title)};
}

struct MatchCase {
    const char* name;
    WindowIdentity kept;
    std::vector<WindowIdentity> candidates;
    std::optional<std::size_t> match;
};

void PrintTo(const MatchCase& c, std::ostream* os) {
    *os << c.name;
}

class KeptMatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(KeptMatchTest, FindsTheWindowAgainOrNone) {
    EXPECT_EQ(MatchKeptWindow(GetParam().kept, GetParam().candidates), GetParam().match);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, KeptMatchTest,
    ::testing::Values(
        MatchCase{"SameTitleAmongSeveral",
                  Window("Slides", "deck.odp"),
                  {Window("Slides", "notes.odp"), Window("Slides", "deck.odp")},
                  1},
        MatchCase{"ChangedTitleOnlyCandidate",
                  Window("Slides", "deck.odp - 3 of 20"),
                  {Window("Term", "deck.odp - 3 of 20"), Window("Slides", "deck.odp - 1 of 20")},
                  1},
        MatchCase{"ChangedTitleTwoCandidates",
                  Window("Slides", "deck.odp"),
                  {Window("Slides", "a.odp"), Window("Slides", "b.odp")},
                  std::nullopt},
        MatchCase{"OtherApplicationWithTheTitle",
                  Window("Slides", "deck.odp"),
                  {Window("Viewer", "deck.odp")},
                  std::nullopt},
        MatchCase{"SameClassOtherExecutable",
                  Window("Slides", "deck.odp"),
                  {Window("Slides", "deck.odp", QStringLiteral("/opt/other/slides"))},
                  std::nullopt},
        MatchCase{"ExecutableUnknownOnOneSide",
                  Window("Slides", "deck.odp"),
                  {Window("Slides", "deck.odp", QString())},
                  0},
        MatchCase{"ExecutableAloneWithoutClass",
                  Window("", "deck.odp"),
                  {Window("", "deck.odp", QStringLiteral("/usr/bin/viewer")), Window("", "other")},
                  1},
        MatchCase{"NoClassNorExecutableIsNoApplication",
                  Window("", "deck.odp", QString()),
                  {Window("", "deck.odp", QString())},
                  std::nullopt}),
    [](const auto& info) { return info.param.name; });

// A desktop of windows with identities, and the clone set over it.
class KeptCloneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        displays.Set({{QRect(0, 0, 1920, 1080), QStringLiteral("DP-1")},
                      {QRect(1920, 0, 1280, 1024), QStringLiteral("HDMI-1")}});
    }

    WindowHandle Appear(const WindowIdentity& identity) {
        const WindowHandle handle = next++;
        desktop[handle] = identity;
        set.Reconcile(Listed());
        return handle;
    }

    void Vanish(WindowHandle handle) {
        desktop.erase(handle);
        set.WindowGone(handle);
        set.Reconcile(Listed());
    }

    std::vector<ListedWindow> Listed() const {
        std::vector<ListedWindow> listed;
        for (const auto& [handle, identity] : desktop) {
            listed.push_back({handle, identity.title});
        }
        return listed;
    }

    FakeDisplayList displays;
    std::map<WindowHandle, WindowIdentity> desktop;
    WindowHandle next = 0x100;
    CloneSet set{displays, [this](WindowHandle window) {
                     WindowIdentity identity = desktop[window];
                     identity.title.clear();  // the list has the title
                     return identity;
                 }};
};

TEST_F(KeptCloneTest, WaitsForItsWindowAndComesBackToTheRestartedOne) {
    const WindowHandle deck = Appear(Window("Slides", "deck.odp"));
    Appear(Window("Term", "deck.odp"));
    ASSERT_TRUE(set.Open(deck, 1, CloneMode::Natural));
    // The capture's restore token (Wayland) goes with the kept clone, the newest one kept,
    // and is asked for before the clone opens on the window that came back.
    set.SetRestoreToken(deck, QStringLiteral("first"));
    ASSERT_TRUE(set.Keep(deck, 1, true));
    // Changed while kept: the record follows.
    const CloneCrop crop{QRect(10, 20, 300, 200), QSize(800, 600)};
    ASSERT_TRUE(set.SetCrop(deck, 1, crop));
    ASSERT_TRUE(set.SetTurn(deck, 1, ImageTurn::FlipX));
    set.SetRestoreToken(deck, QStringLiteral("newer"));
    std::vector<std::pair<WindowHandle, QString>> wanted;
    QObject::connect(&set, &CloneSet::RestoreTokenWanted,
                     [&](WindowHandle window, const QString& token) {
                         EXPECT_TRUE(set.Clones().empty()) << "asked for after opening";
                         wanted.emplace_back(window, token);
                     });
    Vanish(deck);
    EXPECT_TRUE(set.Clones().empty());
    ASSERT_EQ(set.Kept().size(), 1u);
    EXPECT_EQ(set.Kept()[0].shownWindow, 0u);

    const WindowHandle again = Appear(Window("Slides", "deck.odp"));
    const std::vector<CloneEntry> expected{
        {again, 1, CloneMode::Natural, true, crop, ImageTurn::FlipX}};
    EXPECT_EQ(set.Clones(), expected);
    const std::vector<std::pair<WindowHandle, QString>> asked{{again, QStringLiteral("newer")}};
    EXPECT_EQ(wanted, asked);
}

TEST_F(KeptCloneTest, WaitsForItsDisplayAndComesBackWhenItIsPluggedIn) {
    const WindowHandle deck = Appear(Window("Slides", "deck.odp"));
    ASSERT_TRUE(set.Open(deck, 1));
    ASSERT_TRUE(set.Keep(deck, 1, true));
    displays.Set({{QRect(0, 0, 1920, 1080), QStringLiteral("DP-1")}});
    set.FollowDisplays({0, std::nullopt});
    EXPECT_TRUE(set.Clones().empty());
    // Back as the second display again, though another came first in between.
    displays.Set({{QRect(0, 0, 1920, 1080), QStringLiteral("DP-1")},
                  {QRect(0, 1080, 800, 600), QStringLiteral("DP-2")},
                  {QRect(1920, 0, 1280, 1024), QStringLiteral("HDMI-1")}});
    set.FollowDisplays({0});
    const std::vector<CloneEntry> expected{{deck, 2, CloneMode::Fit, true}};
    EXPECT_EQ(set.Clones(), expected);
}

TEST_F(KeptCloneTest, OneKeptCloneTakesOneWindow) {
    const WindowHandle a = Appear(Window("Term", "a"));
    const WindowHandle b = Appear(Window("Term", "b"));
    set.Open(a, 0);
    set.Open(b, 1);
    set.Keep(a, 0, true);
    set.Keep(b, 1, true);
    Vanish(a);
    Vanish(b);
    // Retitled: each is the only free window of its program in turn, never both on one.
    const WindowHandle c = Appear(Window("Term", "c"));
    const WindowHandle d = Appear(Window("Term", "d"));
    EXPECT_EQ(set.DisplaysOf(c).size(), 1u);
    EXPECT_EQ(set.DisplaysOf(d).size(), 1u);
}

TEST_F(KeptCloneTest, ClosingOrForgettingEndsKeeping) {
    const WindowHandle deck = Appear(Window("Slides", "deck.odp"));
    set.Open(deck, 0);
    set.Open(deck, 1);
    set.Keep(deck, 0, true);
    set.Keep(deck, 1, true);
    int saves = 0;
    QObject::connect(&set, &CloneSet::KeptChanged, [&] { ++saves; });
    set.Close(deck, 0);
    EXPECT_EQ(set.Kept().size(), 1u);
    ASSERT_TRUE(set.Forget(0));
    EXPECT_TRUE(set.Kept().empty());
    EXPECT_TRUE(set.Clones().empty());
    EXPECT_EQ(saves, 2);
}

class KeptStoreTest : public ::testing::Test {
  protected:
    QString Write(const QByteArray& content) const {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("config/kept-clones.json"));
};

TEST_F(KeptStoreTest, SavedClonesReadBack) {
    const std::vector<KeptClone> kept{
        {Window("Slides", "deck.odp"), QStringLiteral("HDMI-1"), 1, CloneMode::Natural, 0,
         QStringLiteral("token")},
        {Window("Term", "bash", QString()), QString(), 0, CloneMode::Fit, 0},
        {Window("Video", "film"), QString(), 2, CloneMode::Fill, 0, QString(),
         CloneCrop{QRect(0, 60, 1280, 600), QSize(1280, 720)}, ImageTurn::Rotate270}};
    ASSERT_EQ(SaveKeptClones(path, kept), QString());
    const KeptLoad loaded = LoadKeptClones(path);
    EXPECT_EQ(loaded.kept, kept);
    EXPECT_TRUE(loaded.problem.isEmpty());
    EXPECT_TRUE(LoadKeptClones(dir.filePath(QStringLiteral("none.json"))).kept.empty());
}

// Files of the first version had neither crop nor turn.
TEST_F(KeptStoreTest, AFirstVersionFileIsRead) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    Write(
        R"({"version": 1, "clones": [{"title": "deck.odp", "displayNumber": 2, "mode": "natural"}]})");
    const KeptLoad loaded = LoadKeptClones(path);
    ASSERT_EQ(loaded.kept.size(), 1u) << loaded.problem.toStdString();
    EXPECT_EQ(loaded.kept[0].mode, CloneMode::Natural);
    EXPECT_TRUE(loaded.kept[0].crop.Whole());
    EXPECT_EQ(loaded.kept[0].turn, ImageTurn::None);
}

TEST_F(KeptStoreTest, AFileThatCannotBeUsedIsSetAsideAndNothingIsKept) {
    const std::vector<std::pair<QByteArray, QString>> cases{
        {"{\"version\": 1, \"clones\": [", QStringLiteral(".unreadable")},
        {"{\"version\": 1, \"clones\": [{\"mode\": \"sideways\"}]}", QStringLiteral(".unreadable")},
        {"{\"version\": 2, \"clones\": [{\"displayNumber\": 1, \"mode\": \"fit\", "
         "\"turn\": \"45\"}]}",
         QStringLiteral(".unreadable")},
        {"{\"version\": 2, \"clones\": [{\"displayNumber\": 1, \"mode\": \"fit\", "
         "\"crop\": \"0x0+0+0\", \"cropOf\": \"10x10\"}]}",
         QStringLiteral(".unreadable")},
        {"{\"version\": 3, \"clones\": []}", QStringLiteral(".newer")},
    };
    for (const auto& [content, suffix] : cases) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        Write(content);
        const KeptLoad loaded = LoadKeptClones(path);
        EXPECT_TRUE(loaded.kept.empty()) << content.toStdString();
        EXPECT_TRUE(loaded.problem.contains(suffix)) << loaded.problem.toStdString();
        EXPECT_FALSE(QFile::exists(path));
        QFile aside(path + suffix);
        ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
        EXPECT_EQ(aside.readAll(), content);
        aside.remove();
    }
}

// Two copies (one per X server) share the file: each one's keeping and forgetting is merged
// into what the other wrote meanwhile, and neither writes while the other holds the lock.
TEST_F(KeptStoreTest, TwoCopiesMergeTheirChangesAndTakeTurns) {
    const auto kept = [](const char* title, CloneMode mode = CloneMode::Fit) {
        return KeptClone{Window("Slides", title), QStringLiteral("HDMI-1"), 0, mode, 0};
    };
    const std::vector<KeptClone> start{kept("a"), kept("b")};
    ASSERT_EQ(SaveKeptClones(path, start), QString());
    std::vector<KeptClone> one = start;
    std::vector<KeptClone> two = start;
    const auto change = [&](std::vector<KeptClone>& copy, std::vector<KeptClone> now) {
        const KeptMerge merge = MergeKeptClones(path, copy, now);
        copy = now;
        return merge.saved && merge.problem.isEmpty();
    };
    // One keeps c; two forgets a (while it shows b, which is no difference); one sets b to
    // natural size; two keeps d.
    ASSERT_TRUE(change(one, {kept("a"), kept("b"), kept("c")}));
    KeptClone shown = kept("b");
    shown.shownWindow = 7;
    ASSERT_TRUE(change(two, {shown}));
    ASSERT_TRUE(change(one, {kept("a"), kept("b", CloneMode::Natural), kept("c")}));
    ASSERT_TRUE(change(two, {shown, kept("d")}));
    const std::vector<KeptClone> both{kept("c"), kept("b", CloneMode::Natural), kept("d")};
    EXPECT_EQ(LoadKeptClones(path).kept, both);

    QLockFile other(path + QStringLiteral(".lock"));
    ASSERT_TRUE(other.tryLock(0));
    const KeptMerge waited = MergeKeptClones(path, both, {});
    EXPECT_FALSE(waited.saved);
    EXPECT_TRUE(waited.problem.contains(QStringLiteral(".lock"))) << waited.problem.toStdString();
    EXPECT_EQ(LoadKeptClones(path).kept, both);
}

}  // namespace
