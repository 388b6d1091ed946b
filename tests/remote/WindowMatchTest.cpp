// Which window a command names, whether its display exists, the listing scripts read, and
// which commands reach the running copy's main window.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "remote/RemoteCommands.h"
#include "remote/WindowMatch.h"
#include "tests/remote/FakeTarget.h"

namespace {

struct MatchCase {
    const char* pattern;
    std::uint64_t handle;       // 0: no single window
    const char* errorContains;  // when handle is 0
};

class WindowMatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(WindowMatchTest, FindsOneWindowOrSaysWhyNot) {
    const MatchCase& c = GetParam();
    const WindowMatch match = MatchWindow(QString::fromUtf8(c.pattern), SampleDesktop().windows);
    if (c.handle != 0) {
        ASSERT_TRUE(match.handle.has_value()) << match.error.toStdString();
        EXPECT_EQ(*match.handle, c.handle);
        EXPECT_TRUE(match.error.isEmpty());
    } else {
        EXPECT_FALSE(match.handle.has_value());
        EXPECT_TRUE(match.error.contains(QString::fromUtf8(c.errorContains)))
            << match.error.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    IdsAndPatterns, WindowMatchTest,
    ::testing::Values(
        // Ids as --list prints them, in either case, and in decimal.
        MatchCase{"0x1a00007", 0x1a00007, ""}, MatchCase{"0X1C00003", 0x1c00003, ""},
        MatchCase{"37748753", 0x2400011, ""},
        // Too large for a window id: not one cut down to a listed window's.
        MatchCase{"0x1001a00007", 0, "no window has"},
        // A title pattern: searched for anywhere, case-sensitive, anchors honoured.
        MatchCase{"xterm", 0x1a00007, ""}, MatchCase{"^UX", 0x1c00003, ""},
        MatchCase{"notes\\.txt$", 0x2400011, ""}, MatchCase{"(?i)editor", 0x2400011, ""},
        // Several matches name every one of them with its id.
        MatchCase{"(?i)term", 0, "matches 2 windows"},
        MatchCase{"(?i)term", 0, "0x1a00007\txterm - bash"},
        MatchCase{"(?i)term", 0, "0x1c00003\tUXTerm"},
        // A number that is no listed id is tried as a pattern, and matches nothing here.
        MatchCase{"0x99", 0, "no window"}, MatchCase{"12345", 0, "no window"},
        MatchCase{"Firefox", 0, "no window"}, MatchCase{"EDITOR", 0, "no window"},
        MatchCase{"[unclosed", 0, "regular expression"}));

TEST(WindowMatch, EmptyListMatchesNothing) {
    EXPECT_FALSE(MatchWindow(QStringLiteral(".*"), {}).handle.has_value());
}

TEST(WindowMatch, PercentSignsInPatternAndTitlesSurviveTheMessage) {
    const QList<RemoteWindow> windows = {{1, {}, QStringLiteral("50% done")},
                                         {2, {}, QStringLiteral("75% done")}};
    const WindowMatch match = MatchWindow(QStringLiteral("%2|done"), windows);
    EXPECT_TRUE(match.error.startsWith(QStringLiteral("\"%2|done\" matches 2 windows")))
        << match.error.toStdString();
}

// A pattern of up to 4096 characters is matched; a longer one is refused whole, however
// it would match. An error quotes a long pattern by its first 60 characters only, marked as
// cut, and so stays short.
TEST(WindowMatch, LongPatternsAreRefusedAndQuotedShort) {
    const QList<RemoteWindow> windows = SampleDesktop().windows;
    const auto pattern = [](qsizetype length) {
        return QStringLiteral("^xterm|") + QString(length - 7, u'z');
    };
    const WindowMatch longest = MatchWindow(pattern(4096), windows);
    EXPECT_EQ(longest.handle, std::optional<std::uint64_t>(0x1a00007))
        << longest.error.toStdString();
    const WindowMatch tooLong = MatchWindow(pattern(4097), windows);
    EXPECT_FALSE(tooLong.handle.has_value());
    EXPECT_EQ(tooLong.error, QStringLiteral("WINDOW is too long: 4097 characters, at most 4096 are "
                                            "taken"));

    const QString prefix = QStringLiteral("(") + QString(59, u'a');
    for (const QString& bad :
         {prefix + QString(1000, u'b'), QStringLiteral("Firefox") + QString(3000, u'c')}) {
        const WindowMatch match = MatchWindow(bad, windows);
        EXPECT_LT(match.error.size(), 250) << match.error.toStdString();
        EXPECT_TRUE(match.error.contains(QStringLiteral("\"") + bad.left(60) +
                                         QStringLiteral("\"... (%1 characters)").arg(bad.size())))
            << match.error.toStdString();
    }
}

TEST(CheckDisplay, AcceptsListedNumbersOnly) {
    const QList<RemoteDisplay> displays = SampleDesktop().displays;
    EXPECT_FALSE(CheckDisplay(1, displays).has_value());
    EXPECT_FALSE(CheckDisplay(2, displays).has_value());
    for (const int number : {0, 3, -1}) {
        const auto problem = CheckDisplay(number, displays);
        ASSERT_TRUE(problem.has_value()) << number;
        EXPECT_TRUE(problem->contains(QStringLiteral("the displays are 1, 2")));
    }
    EXPECT_TRUE(CheckDisplay(1, {}).has_value());
}

TEST(FormatListing, OneTabSeparatedLinePerWindowThenPerDisplay) {
    RemoteState state = SampleDesktop();
    state.windows[0].clonedOn = {2, 1};
    state.windows[1].title = QStringLiteral("a\ttab\nand a break");
    std::swap(state.displays[0], state.displays[1]);
    EXPECT_EQ(FormatListing(state).toStdString(),
              "window\t0x1a00007\t2,1\txterm - bash\n"
              "window\t0x1c00003\t-\ta tab and a break\n"
              "window\t0x2400011\t1\tEditor: notes.txt\n"
              "display\t1\tDP-1\t1920x1080+0+0\n"
              "display\t2\tHDMI-1\t1280x1024-1280+200\n");
    EXPECT_EQ(FormatListing({}), QString());
}

// Kept clones: marked on their window's line while shown, on lines of their own otherwise.
TEST(FormatListing, KeptClonesAreMarkedAndThoseNotShownListed) {
    RemoteState state = SampleDesktop();
    state.windows[2].clonedOn = {1, 2};
    state.kept = {{0, 0x2400011, 2, 2, QStringLiteral("HDMI-1"), QStringLiteral("Editor"), false},
                  {1, 0, 1, 1, QStringLiteral("DP-1"), QStringLiteral("deck\tslides"), true},
                  {2, 0x1a00007, 0, 3, QStringLiteral("VGA-1"), QStringLiteral("xterm"), false,
                   CloneMode::Fill, QRect(0, 40, 640, 320), ImageTurn::FlipY}};
    state.clones = {
        {0x2400011, 1, CloneMode::Stretch, QRect(10, 20, 300, 200), ImageTurn::Rotate270}};
    const QString listing = FormatListing(state);
    EXPECT_TRUE(listing.contains(QStringLiteral("window\t0x2400011\t1,2k\tEditor: notes.txt\n")));
    EXPECT_TRUE(
        listing.endsWith(QStringLiteral("display\t2\tHDMI-1\t1280x1024-1280+200\n"
                                        "clone\t0x2400011\t1\tstretch\t300x200+10+20\t270\n"
                                        "kept\t1\tdeck slides\tnatural\t-\tnone\n"
                                        "kept\tVGA-1\txterm\tfill\t640x320+0+40\tflip-y\n")))
        << listing.toStdString();
}

// Forget names a kept clone by its display and its window: the id of the window it shows,
// the window's title now, or the title it was kept with while it waits.
TEST(Dispatch, ForgetFindsOneKeptCloneOnTheDisplay) {
    RemoteState state = SampleDesktop();
    state.kept = {{0, 0x2400011, 1, 1, QStringLiteral("DP-1"), QStringLiteral("Editor"), false},
                  {1, 0, 2, 2, QStringLiteral("HDMI-1"), QStringLiteral("deck.odp"), false},
                  {2, 0, 0, 2, QStringLiteral("HDMI-1"), QStringLiteral("notes.odp"), false},
                  {3, 0x1a00007, 0, 3, QStringLiteral("VGA-1"), QStringLiteral("xterm"), false}};
    const std::vector<std::tuple<const char*, int, const char*>> cases{{"0x2400011", 1, "Forget 0"},
                                                                       {"notes.txt", 1, "Forget 0"},
                                                                       {"deck", 2, "Forget 1"},
                                                                       {"xterm", 3, "Forget 3"},
                                                                       {"odp", 2, ""},
                                                                       {"deck", 1, ""},
                                                                       {"(", 2, ""}};
    for (const auto& [window, display, call] : cases) {
        FakeTarget target(state);
        const Outcome outcome = Dispatch(
            target, MakeRequest(RemoteCommand::Forget, QString::fromUtf8(window), display));
        EXPECT_EQ(outcome.Succeeded(), *call != '\0') << window << " " << display;
        EXPECT_EQ(target.Calls().join(u' '), QString::fromUtf8(call)) << window << " " << display;
    }
}

TEST(Dispatch, CloneWithKeepKeepsAlsoAnOpenClone) {
    for (const char* window : {"xterm", "Editor"}) {
        FakeTarget target(SampleDesktop());
        RemoteRequest request = MakeRequest(RemoteCommand::Clone, QString::fromUtf8(window), 1);
        request.keep = true;
        EXPECT_TRUE(Dispatch(target, request).Succeeded());
        EXPECT_TRUE(target.Calls().last().startsWith(QStringLiteral("Keep 0x"))) << window;
    }
}

struct DispatchCase {
    RemoteRequest request;
    int status;
    const char* call;  // the one call the target gets; empty for none
};

class DispatchTest : public ::testing::TestWithParam<DispatchCase> {};

RemoteRequest Request(RemoteCommand command, const char* window = "", int display = 0,
                      bool natural = false) {
    RemoteRequest request = MakeRequest(command, QString::fromUtf8(window), display);
    request.natural = natural;
    return request;
}

TEST_P(DispatchTest, ReachesTheTargetOnlyWhenThereIsSomethingToDo) {
    const DispatchCase& c = GetParam();
    FakeTarget target(SampleDesktop());
    const Outcome outcome = Dispatch(target, c.request);
    EXPECT_EQ(outcome.status, c.status) << outcome.message.toStdString();
    EXPECT_EQ(outcome.message.isEmpty(), c.status == 0);
    const QStringList expected =
        *c.call == '\0' ? QStringList() : QStringList{QString::fromUtf8(c.call)};
    EXPECT_EQ(target.Calls(), expected);
}

RemoteRequest Pointer(bool on) {
    RemoteRequest request = MakeRequest(RemoteCommand::SetPointer);
    request.pointer = on;
    return request;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, DispatchTest,
    ::testing::Values(
        DispatchCase{Request(RemoteCommand::Clone, "xterm", 2), 0, "Clone 0x1a00007 2 fit"},
        DispatchCase{Request(RemoteCommand::Clone, "UX", 1, true), 0, "Clone 0x1c00003 1 natural"},
        // Already shown there: the button is not pressed a second time (it would close it).
        DispatchCase{Request(RemoteCommand::Clone, "Editor", 1), 0, ""},
        DispatchCase{Request(RemoteCommand::Release, "Editor", 1), 0, "Release 0x2400011 1"},
        DispatchCase{Request(RemoteCommand::Release, "xterm", 1), 0, ""},
        DispatchCase{Request(RemoteCommand::Clone, "erm", 1), 1, ""},
        DispatchCase{Request(RemoteCommand::Clone, "xterm", 3), 1, ""},
        DispatchCase{Request(RemoteCommand::Release, "nothing", 1), 1, ""},
        DispatchCase{Request(RemoteCommand::Identify), 0, "Identify"},
        DispatchCase{Request(RemoteCommand::Show), 0, "Show"},
        DispatchCase{Request(RemoteCommand::Hide), 0, "Hide"},
        DispatchCase{Pointer(false), 0, "SetPointer off"},
        DispatchCase{Pointer(true), 0, "SetPointer on"},
        // Quit is the caller's to carry out once its answer is out.
        DispatchCase{Request(RemoteCommand::Quit), 0, ""}));

TEST(Dispatch, ListIsTheListingAndATargetFailureCarriesItsReason) {
    FakeTarget target(SampleDesktop());
    EXPECT_EQ(Dispatch(target, MakeRequest(RemoteCommand::List)).message,
              FormatListing(SampleDesktop()));
    target.FailIdentify(QStringLiteral("no displays"));
    const Outcome outcome = Dispatch(target, MakeRequest(RemoteCommand::Identify));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.message, QStringLiteral("no displays"));
}

TEST(CommandName, EveryCommandHasANameThatLeadsBackToIt) {
    for (const RemoteCommand command :
         {RemoteCommand::List, RemoteCommand::Clone, RemoteCommand::Release,
          RemoteCommand::Identify, RemoteCommand::Show, RemoteCommand::Hide, RemoteCommand::Quit,
          RemoteCommand::SetPointer, RemoteCommand::Forget}) {
        EXPECT_EQ(CommandFromName(CommandName(command)), command);
    }
    EXPECT_FALSE(CommandFromName(QStringLiteral("list")).has_value());
}

}  // namespace
