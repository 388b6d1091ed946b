// The clone set's actions: what each does to the set and what it tells its views.
#include <gtest/gtest.h>

#include <QStringList>

#include <functional>

#include "clones/CloneSet.h"
#include "tests/support/fake/FakePlatform.h"

namespace {

constexpr WindowHandle kA = 0xa;
constexpr WindowHandle kB = 0xb;
constexpr CloneMode kFit = CloneMode::Fit;
constexpr CloneMode kNatural = CloneMode::Natural;

QString Describe(const CloneEntry& c) {
    return QStringLiteral("%1@%2 %3")
        .arg(c.window, 0, 16)
        .arg(c.display)
        .arg(c.mode == kFit ? QStringLiteral("fit") : QStringLiteral("natural"));
}

struct ActionCase {
    const char* name;
    std::vector<CloneEntry> before;
    std::function<bool(CloneSet&)> action;
    bool result;
    std::vector<CloneEntry> after;
    QStringList told;  // what the views heard, in order
};

void PrintTo(const ActionCase& c, std::ostream* os) {
    *os << c.name;
}

class CloneSetTest : public ::testing::TestWithParam<ActionCase> {
  protected:
    // Three displays; the third has no area (a monitor being switched off).
    void SetUp() override {
        displays.Set({{QRect(0, 0, 1920, 1080), QStringLiteral("DP-1")},
                      {QRect(1920, 0, 1280, 1024), QStringLiteral("HDMI-1")},
                      {QRect(), QStringLiteral("VGA-1")}});
    }

    void Listen(CloneSet& set) {
        QObject::connect(&set, &CloneSet::Opened, [this](const CloneEntry& c) {
            told << QStringLiteral("opened ") + Describe(c);
        });
        QObject::connect(&set, &CloneSet::Closed, [this](const CloneEntry& c) {
            told << QStringLiteral("closed ") + Describe(c);
        });
        QObject::connect(&set, &CloneSet::ModeChanged, [this](const CloneEntry& c) {
            told << QStringLiteral("mode ") + Describe(c);
        });
        QObject::connect(&set, &CloneSet::DisplaysFollowed, [this](const auto& followed) {
            for (const FollowedClone& f : followed) {
                told << QStringLiteral("followed %1 from %2").arg(Describe(f.clone)).arg(f.from);
            }
        });
    }

    FakeDisplayList displays;
    QStringList told;
};

TEST_P(CloneSetTest, ActionChangesTheSetAndTellsTheViews) {
    const ActionCase& c = GetParam();
    CloneSet set(displays);
    for (const CloneEntry& clone : c.before) {
        ASSERT_TRUE(set.Open(clone.window, clone.display, clone.mode));
    }
    Listen(set);
    EXPECT_EQ(c.action(set), c.result);
    EXPECT_EQ(set.Clones(), c.after);
    EXPECT_EQ(told, c.told);
}

using Moves = std::vector<std::optional<std::size_t>>;

bool Follow(CloneSet& set, const Moves& moved) {
    set.FollowDisplays(moved);
    return true;
}

INSTANTIATE_TEST_SUITE_P(
    Actions, CloneSetTest,
    ::testing::Values(
        ActionCase{"OpenOnADisplay",
                   {},
                   [](CloneSet& s) { return s.Open(kA, 1, kNatural); },
                   true,
                   {{kA, 1, kNatural}},
                   {"opened a@1 natural"}},
        ActionCase{
            "CropAndTurnAClone",
            {{kA, 0, kFit}},
            [](CloneSet& s) {
                return s.SetCrop(kA, 0, {QRect(0, 0, 10, 10), QSize(20, 20)}) &&
                       s.SetTurn(kA, 0, ImageTurn::Rotate90) &&
                       s.SetTurn(kA, 0, ImageTurn::Rotate90) && !s.SetCrop(kB, 0, {});
            },
            true,
            {{kA, 0, kFit, false, {QRect(0, 0, 10, 10), QSize(20, 20)}, ImageTurn::Rotate90}},
            {"mode a@0 fit", "mode a@0 fit"}},
        ActionCase{
            "OpenBeyondTheDisplays", {}, [](CloneSet& s) { return s.Open(kA, 3); }, false, {}, {}},
        ActionCase{"OpenOnADisplayWithoutArea",
                   {},
                   [](CloneSet& s) { return s.Open(kA, 2); },
                   false,
                   {},
                   {}},
        ActionCase{"OpenAnOpenCloneTakesTheMode",
                   {{kA, 0, kFit}},
                   [](CloneSet& s) { return s.Open(kA, 0, kNatural); },
                   true,
                   {{kA, 0, kNatural}},
                   {"mode a@0 natural"}},
        ActionCase{"OpenAsItIsTellsNothing",
                   {{kA, 0, kFit}},
                   [](CloneSet& s) { return s.Open(kA, 0); },
                   true,
                   {{kA, 0, kFit}},
                   {}},
        ActionCase{"CloseLeavesTheOthers",
                   {{kA, 0, kFit}, {kA, 1, kFit}, {kB, 0, kFit}},
                   [](CloneSet& s) { return s.Close(kA, 0); },
                   true,
                   {{kA, 1, kFit}, {kB, 0, kFit}},
                   {"closed a@0 fit"}},
        ActionCase{"CloseWhatIsNotOpen",
                   {{kA, 0, kFit}},
                   [](CloneSet& s) { return s.Close(kB, 0); },
                   false,
                   {{kA, 0, kFit}},
                   {}},
        ActionCase{"ToggleFitToNatural",
                   {{kA, 1, kFit}},
                   [](CloneSet& s) { return s.ToggleMode(kA, 1); },
                   true,
                   {{kA, 1, kNatural}},
                   {"mode a@1 natural"}},
        ActionCase{"ToggleNaturalToFit",
                   {{kA, 1, kNatural}},
                   [](CloneSet& s) { return s.ToggleMode(kA, 1); },
                   true,
                   {{kA, 1, kFit}},
                   {"mode a@1 fit"}},
        ActionCase{"SetModeOfNoClone",
                   {},
                   [](CloneSet& s) { return s.SetMode(kA, 0, kNatural); },
                   false,
                   {},
                   {}},
        ActionCase{"WindowGoneClosesOnlyItsClones",
                   {{kA, 1, kFit}, {kB, 0, kFit}, {kA, 0, kNatural}},
                   [](CloneSet& s) {
                       s.WindowGone(kA);
                       return true;
                   },
                   true,
                   {{kB, 0, kFit}},
                   {"closed a@0 natural", "closed a@1 fit"}},
        ActionCase{"DisplaysTradeNumbers",
                   {{kA, 0, kFit}, {kA, 1, kNatural}},
                   [](CloneSet& s) {
                       return Follow(s, {1, 0});
                   },
                   true,
                   {{kA, 1, kFit}, {kA, 0, kNatural}},
                   {"followed a@1 fit from 0", "followed a@0 natural from 1"}},
        ActionCase{"DisplayGoneClosesItsClones",
                   {{kA, 0, kFit}, {kB, 1, kFit}},
                   [](CloneSet& s) {
                       return Follow(s, {std::nullopt, 0});
                   },
                   true,
                   {{kB, 0, kFit}},
                   {"closed a@0 fit", "followed b@0 fit from 1"}},
        ActionCase{"TwoDisplaysBecomeOneTheLowerNumberStays",
                   {{kA, 1, kNatural}, {kA, 0, kFit}},
                   [](CloneSet& s) {
                       return Follow(s, {0, 0});
                   },
                   true,
                   {{kA, 0, kFit}},
                   {"closed a@1 natural", "followed a@0 fit from 0"}}),
    [](const ::testing::TestParamInfo<ActionCase>& info) { return info.param.name; });

}  // namespace
