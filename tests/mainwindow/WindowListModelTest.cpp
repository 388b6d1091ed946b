// The list reconciliation on its own: snapshots in, rows removed, retitled and added out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mainwindow/WindowListModel.h"

namespace {

using Listing = std::vector<ListedWindow>;

struct UpdateCase {
    const char* name;
    Listing before;  // the snapshot that made the rows
    Listing snapshot;
    std::vector<std::size_t> removed;
    std::vector<RowTitle> retitled;
    Listing added;
    Listing rows;  // the rows afterwards
};

ListedWindow W(WindowHandle handle, const char* title) {
    return {handle, QString::fromUtf8(title)};
}

const std::vector<UpdateCase>& Cases() {
    static const std::vector<UpdateCase> cases = {
        {"FirstSnapshotAddsTitledWindowsInOrder",
         {},
         {W(3, "C"), W(1, "A"), W(2, "")},
         {},
         {},
         {W(3, "C"), W(1, "A")},
         {W(3, "C"), W(1, "A")}},
        {"UnchangedSnapshotChangesNothing",
         {W(1, "A"), W(2, "B")},
         {W(1, "A"), W(2, "B")},
         {},
         {},
         {},
         {W(1, "A"), W(2, "B")}},
        {"VanishedWindowsGoLastFirst",
         {W(1, "A"), W(2, "B"), W(3, "C"), W(4, "D")},
         {W(3, "C"), W(1, "A")},
         {3, 1},
         {},
         {},
         {W(1, "A"), W(3, "C")}},
        {"RowsKeepTheirPlaceWhenTheSnapshotReorders",
         {W(1, "A"), W(2, "B")},
         {W(2, "B"), W(1, "A"), W(5, "E")},
         {},
         {},
         {W(5, "E")},
         {W(1, "A"), W(2, "B"), W(5, "E")}},
        {"RetitledRowsArePlacedAfterTheRemovals",
         {W(1, "A"), W(2, "B"), W(3, "C")},
         {W(3, "C2"), W(2, "B")},
         {0},
         {{1, QStringLiteral("C2")}},
         {},
         {W(2, "B"), W(3, "C2")}},
        {"ARowKeepsItsPlaceWhenItsTitleEmpties",
         {W(1, "A")},
         {W(1, "")},
         {},
         {{0, QString()}},
         {},
         {W(1, "")}},
        {"AWindowListedTwiceGetsOneRowTitledByItsFirstListing",
         {},
         {W(7, "first"), W(8, "other"), W(7, "second")},
         {},
         {},
         {W(7, "first"), W(8, "other")},
         {W(7, "first"), W(8, "other")}},
        {"AnUntitledWindowWaitsForItsTitle",
         {W(1, "A")},
         {W(1, "A"), W(2, "Late")},
         {},
         {},
         {W(2, "Late")},
         {W(1, "A"), W(2, "Late")}},
        {"ATitleOfOnlyWhiteSpaceCountsAsNone",
         {W(1, "A")},
         {W(1, "A"), W(2, "   "), W(3, "\t \xe3\x80\x80\xc2\xa0"), W(4, " x ")},
         {},
         {},
         {W(4, " x ")},
         {W(1, "A"), W(4, " x ")}},
        {"EmptySnapshotRemovesEveryRow", {W(1, "A"), W(2, "B")}, {}, {1, 0}, {}, {}, {}},
    };
    return cases;
}

class WindowListModelTest : public ::testing::TestWithParam<UpdateCase> {};

TEST_P(WindowListModelTest, UpdateReportsWhatChanged) {
    const UpdateCase& c = GetParam();
    WindowListModel model;
    model.Update(c.before);
    const ListChanges changes = model.Update(c.snapshot);
    EXPECT_EQ(changes.removed, c.removed);
    EXPECT_EQ(changes.retitled, c.retitled);
    EXPECT_EQ(changes.added, c.added);
    EXPECT_EQ(model.Rows(), c.rows);
}

INSTANTIATE_TEST_SUITE_P(Snapshots, WindowListModelTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<UpdateCase>& info) {
                             return std::string(info.param.name);
                         });

// Applying the reported changes to a copy of the old rows gives the new rows, whatever the
// snapshots: the view that follows the changes never drifts from the model.
TEST(WindowListModel, ChangesTurnTheOldRowsIntoTheNewOnes) {
    std::vector<Listing> snapshots = {
        {W(1, "A"), W(2, "B"), W(3, "C")},
        {W(3, "C"), W(4, "D"), W(2, "")},
        {W(5, "E"), W(4, "D2"), W(2, "B")},
        {W(4, "D2")},
        {},
        {W(6, "F"), W(6, "F")},
    };
    WindowListModel model;
    Listing view;
    for (const Listing& snapshot : snapshots) {
        const ListChanges changes = model.Update(snapshot);
        for (std::size_t row : changes.removed) {
            ASSERT_LT(row, view.size());
            view.erase(view.begin() + static_cast<std::ptrdiff_t>(row));
        }
        for (const RowTitle& retitle : changes.retitled) {
            ASSERT_LT(retitle.row, view.size());
            view[retitle.row].title = retitle.title;
        }
        view.insert(view.end(), changes.added.begin(), changes.added.end());
        EXPECT_EQ(view, model.Rows());
    }
}

TEST(WindowListModel, TitlesAreCutToTheirShownLength) {
    WindowListModel model;
    const ListChanges changes = model.Update({{1, QString(600, u'x')}});
    ASSERT_EQ(changes.added.size(), 1u);
    EXPECT_EQ(changes.added[0].title.size(), kMaxTitleLength);
    // The same long title again is no change.
    EXPECT_TRUE(model.Update({{1, QString(700, u'x')}}).retitled.empty());
}

TEST(WindowListModel, ASurrogatePairIsNeverCutInHalf) {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // one pair of UTF-16 units
    struct Case {
        const char* what;
        QString title;
        QString shown;
    };
    const Case cases[] = {
        {"pair across the end", QString(kMaxTitleLength - 1, u'a') + emoji,
         QString(kMaxTitleLength - 1, u'a')},
        {"pair just fits", QString(kMaxTitleLength - 2, u'a') + emoji + "b",
         QString(kMaxTitleLength - 2, u'a') + emoji},
        {"pair inside a short title", "a" + emoji, "a" + emoji},
    };
    for (const Case& c : cases) {
        WindowListModel model;
        const ListChanges changes = model.Update({{1, c.title}});
        ASSERT_EQ(changes.added.size(), 1u) << c.what;
        EXPECT_EQ(changes.added[0].title, c.shown) << c.what;
        // A retitle is cut the same way.
        model.Update({{1, "other"}});
        const ListChanges again = model.Update({{1, c.title}});
        ASSERT_EQ(again.retitled.size(), 1u) << c.what;
        EXPECT_EQ(again.retitled[0].title, c.shown) << c.what;
    }
}

}  // namespace
