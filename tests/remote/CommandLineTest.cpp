// Reading the command line: one command with its values, or why it cannot be understood.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "remote/CommandLine.h"
#include "remote/RemoteCommands.h"
#include "tests/remote/FakeTarget.h"

namespace {

using Kind = ParsedCommandLine::Kind;

QStringList Arguments(const std::vector<const char*>& arguments) {
    QStringList list{QStringLiteral("vantrel")};
    for (const char* argument : arguments) {
        list.append(QString::fromUtf8(argument));
    }
    return list;
}

// WINDOW as long as is taken, and one character more.
const std::string kLongestPattern(4096, 'x');
const std::string kTooLongPattern(4097, 'x');

struct CommandCase {
    std::vector<const char*> arguments;
    RemoteCommand command;
    const char* window;
    int display;
    bool natural;
    bool pointer;
};

class CommandTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandTest, ReadsTheCommandAndItsValues) {
    const CommandCase& c = GetParam();
    const ParsedCommandLine parsed = ParseCommandLine(Arguments(c.arguments));
    ASSERT_EQ(parsed.kind, Kind::Command) << parsed.text.toStdString();
    EXPECT_EQ(parsed.request.command, c.command);
    EXPECT_EQ(parsed.request.window, QString::fromUtf8(c.window));
    EXPECT_EQ(parsed.request.display, c.display);
    EXPECT_EQ(parsed.request.natural, c.natural);
    EXPECT_EQ(parsed.request.pointer, c.pointer);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandTest,
    ::testing::Values(
        CommandCase{{"--list"}, RemoteCommand::List, "", 0, false, true},
        CommandCase{
            {"--clone", "xterm", "--display", "2"}, RemoteCommand::Clone, "xterm", 2, false, true},
        CommandCase{{"--display=1", "--natural", "--clone=^a b$"},
                    RemoteCommand::Clone,
                    "^a b$",
                    1,
                    true,
                    true},
        CommandCase{{"--release", "0x1a00007", "--display", "3"},
                    RemoteCommand::Release,
                    "0x1a00007",
                    3,
                    false,
                    true},
        CommandCase{
            {"--forget", "deck", "--display", "2"}, RemoteCommand::Forget, "deck", 2, false, true},
        CommandCase{{"--identify"}, RemoteCommand::Identify, "", 0, false, true},
        CommandCase{{"--show"}, RemoteCommand::Show, "", 0, false, true},
        CommandCase{{"--hide"}, RemoteCommand::Hide, "", 0, false, true},
        CommandCase{{"--quit"}, RemoteCommand::Quit, "", 0, false, true},
        CommandCase{{"--pointer", "off"}, RemoteCommand::SetPointer, "", 0, false, false},
        CommandCase{{"--pointer=on"}, RemoteCommand::SetPointer, "", 0, false, true},
        CommandCase{{"--release", kLongestPattern.c_str(), "--display", "12"},
                    RemoteCommand::Release,
                    kLongestPattern.c_str(),
                    12,
                    false,
                    true}));

struct UsageCase {
    std::vector<const char*> arguments;
    const char* says;
};

class UsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageTest, SaysWhatIsWrong) {
    const ParsedCommandLine parsed = ParseCommandLine(Arguments(GetParam().arguments));
    ASSERT_EQ(parsed.kind, Kind::Usage);
    EXPECT_TRUE(parsed.text.contains(QString::fromUtf8(GetParam().says)))
        << parsed.text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    BadUsage, UsageTest,
    ::testing::Values(
        UsageCase{{"--frobnicate"}, "frobnicate"},
        UsageCase{{"notes"}, "unexpected argument \"notes\""}, UsageCase{{"--clone"}, "clone"},
        UsageCase{{"--clone", "xterm"}, "need --display"},
        UsageCase{{"--clone=", "--display", "1"}, "WINDOW is empty"},
        UsageCase{{"--release", "xterm"}, "need --display"},
        UsageCase{{"--display", "1"}, "no command"},
        UsageCase{{"--identify", "--display", "1"}, "--display goes with"},
        UsageCase{{"--show", "--natural"}, "--natural goes with --clone"},
        UsageCase{{"--forget", "x"}, "need --display"},
        UsageCase{{"--release", "x", "--display", "1", "--keep"}, "--keep goes with --clone"},
        UsageCase{{"--release", "x", "--display", "1", "--natural"}, "--natural goes with --clone"},
        UsageCase{{"--clone", "x", "--display", "two"}, "not \"two\""},
        UsageCase{{"--clone", "x", "--display", "0"}, "from 1 up"},
        // Digits only: no space, sign, base, trailing text or nothing at all.
        UsageCase{{"--clone", "x", "--display", " 2"}, "not \" 2\""},
        UsageCase{{"--clone", "x", "--display", "+2"}, "not \"+2\""},
        UsageCase{{"--clone", "x", "--display", "2abc"}, "not \"2abc\""},
        UsageCase{{"--clone", "x", "--display", "0x2"}, "not \"0x2\""},
        UsageCase{{"--clone", "x", "--display", ""}, "not \"\""},
        UsageCase{{"--clone", "x", "--display", "99999999999"}, "from 1 up"},
        UsageCase{{"--release", kTooLongPattern.c_str(), "--display", "1"},
                  "4097 characters, at most 4096"},
        UsageCase{{"--clone", "x", "--display", "1", "--display", "2"}, "one number"},
        UsageCase{{"--list", "--show"}, "one command at a time"},
        UsageCase{{"--clone", "a", "--clone", "b", "--display", "1"}, "one command at a time"},
        UsageCase{{"--pointer", "yes"}, "on or off"}, UsageCase{{"--natural"}, "no command"},
        UsageCase{{"--clone", "x", "--display", "1", "--mode", "cover"}, "not \"cover\""},
        UsageCase{{"--clone", "x", "--display", "1", "--crop", "640x360"}, "WIDTHxHEIGHT+X+Y"},
        UsageCase{{"--clone", "x", "--display", "1", "--crop", "0x9+0+0"}, "not \"0x9+0+0\""},
        UsageCase{{"--clone", "x", "--display", "1", "--transform", "45"}, "flip-x"},
        UsageCase{{"--clone", "x", "--display", "1", "--mode", ""}, "--mode needs a value"},
        UsageCase{{"--clone", "x", "--display", "1", "--natural", "--mode", "fill"}, "not both"},
        UsageCase{{"--release", "x", "--display", "1", "--transform", "90"},
                  "--transform goes with --clone"}));

TEST(CommandLine, ReadsTheCropModeAndTransform) {
    const ParsedCommandLine parsed =
        ParseCommandLine(Arguments({"--clone", "x", "--display", "1", "--crop", "640x360+8+0",
                                    "--mode", "stretch", "--transform", "flip-x"}));
    ASSERT_EQ(parsed.kind, Kind::Command) << parsed.text.toStdString();
    EXPECT_EQ(parsed.request.look.crop, QRect(8, 0, 640, 360));
    EXPECT_EQ(parsed.request.look.mode, CloneMode::Stretch);
    EXPECT_EQ(parsed.request.look.turn, ImageTurn::FlipX);
}

// A copy that cannot crop or turn says why and opens nothing.
TEST(Dispatch, ALookTheCopyCannotShowOpensNothing) {
    FakeTarget target(RemoteState{{{0x1a00007, {}, QStringLiteral("xterm")}},
                                  {{1, QStringLiteral("DP-1"), QRect(0, 0, 800, 600)}},
                                  {},
                                  {}});
    RemoteRequest request = MakeRequest(RemoteCommand::Clone, QStringLiteral("xterm"), 1);
    request.look.turn = ImageTurn::Rotate90;
    const Outcome outcome = Dispatch(target, request);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_TRUE(outcome.message.contains(QStringLiteral("cannot")))
        << outcome.message.toStdString();
    EXPECT_TRUE(target.Calls().isEmpty());
}

TEST(CommandLine, NoArgumentsStartsTheProgram) {
    EXPECT_EQ(ParseCommandLine({QStringLiteral("vantrel")}).kind, Kind::Start);
    EXPECT_EQ(ParseCommandLine({}).kind, Kind::Start);
}

TEST(CommandLine, HelpNamesEveryOptionAndTheExitStatus) {
    for (const char* option : {"-h", "--help"}) {
        const ParsedCommandLine parsed = ParseCommandLine(Arguments({option}));
        ASSERT_EQ(parsed.kind, Kind::Help);
        for (const char* name : {"--list", "--clone WINDOW", "--release WINDOW", "--display N",
                                 "--natural", "--identify", "--show", "--hide", "--quit",
                                 "--pointer on|off", "--version", "2 bad usage"}) {
            EXPECT_TRUE(parsed.text.contains(QString::fromUtf8(name))) << name;
        }
    }
    EXPECT_EQ(ParseCommandLine(Arguments({"--version"})).kind, Kind::Version);
    EXPECT_EQ(ParseCommandLine(Arguments({"-v"})).kind, Kind::Version);
}

}  // namespace

namespace {

TEST(CommandLine, KeepGoesIntoTheCloneRequest) {
    EXPECT_TRUE(
        ParseCommandLine(Arguments({"--clone", "x", "--display", "1", "--keep"})).request.keep);
    EXPECT_FALSE(ParseCommandLine(Arguments({"--clone", "x", "--display", "1"})).request.keep);
}

}  // namespace
