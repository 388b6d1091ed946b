// The rows of the main window: reconciliation with the window list and their geometry.
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "l10n/FormTranslation.h"
#include "tests/mainwindow/MainFormFixture.h"

namespace {

using RowsTest = MainFormTest;

TEST_F(RowsTest, FirstRowsExistBeforeTheWindowIsShown) {
    fake->AddWindow(QStringLiteral("Alpha"));
    fake->AddWindow(QStringLiteral("Beta"));
    MakeForm();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(fake->SnapshotCalls(), 1);
    EXPECT_EQ(Titles(), QStringList({"Alpha", "Beta"}));
}

TEST_F(RowsTest, ReconcilesRowsWithEachSnapshot) {
    const WindowHandle a = fake->AddWindow(QStringLiteral("A"));
    const WindowHandle b = fake->AddWindow(QStringLiteral("B"));
    const WindowHandle c = fake->AddWindow(QStringLiteral("C"));
    MakeForm();
    ASSERT_EQ(Titles(), QStringList({"A", "B", "C"}));
    QWidget* cTitle = Row(2).TitleLabel();
    ASSERT_EQ(cTitle->y(), 6 + 2 * 28);

    // A vanished window's row goes and the rows below move up by one row.
    fake->RemoveWindow(b);
    form->RefreshWindowList();
    form->ArrangeRows();
    EXPECT_EQ(Titles(), QStringList({"A", "C"}));
    EXPECT_EQ(Row(1).TitleLabel(), cTitle);
    EXPECT_EQ(cTitle->y(), 6 + 28);
    EXPECT_EQ(Row(1).DisplayButtons()[0]->y(), 1 + 28);

    // New windows come at the end in snapshot order; untitled ones wait for a title.
    const WindowHandle untitled = fake->AddWindow(QStringLiteral(""));
    fake->AddWindow(QStringLiteral("D"));
    fake->AddWindow(QStringLiteral("E"));
    form->RefreshWindowList();
    form->ArrangeRows();
    EXPECT_EQ(Titles(), QStringList({"A", "C", "D", "E"}));

    fake->RenameWindow(untitled, QStringLiteral("Late"));
    fake->RenameWindow(c, QStringLiteral("C renamed"));
    fake->RenameWindow(a, QStringLiteral(""));
    form->RefreshWindowList();
    form->ArrangeRows();
    EXPECT_EQ(Titles(), QStringList({"", "C renamed", "D", "E", "Late"}));
    EXPECT_EQ(Row(0).Window(), a);
    EXPECT_EQ(Row(4).TitleLabel()->y(), 6 + 4 * 28);

    // An empty snapshot removes every row.
    for (WindowHandle w : {a, c, untitled}) {
        fake->RemoveWindow(w);
    }
    while (!fake->WindowRecords().empty()) {
        fake->RemoveWindow(fake->WindowRecords().front().handle);
    }
    form->RefreshWindowList();
    EXPECT_TRUE(form->Rows().empty());
    EXPECT_TRUE(form->RowHost()->findChildren<QWidget*>().isEmpty());
}

TEST_F(RowsTest, WindowWhoseTitleCannotBeReadGetsNoRow) {
    const WindowHandle w = fake->AddWindow(QStringLiteral("Hidden title"));
    fake->FailTitleRead(w, true);
    MakeForm();
    EXPECT_TRUE(form->Rows().empty());
    fake->FailTitleRead(w, false);
    form->RefreshWindowList();
    EXPECT_EQ(Titles(), QStringList({"Hidden title"}));
}

struct GeometryCase {
    int displays;
    std::vector<int> buttonLefts;
    int titleLeft;
};

class RowGeometryTest : public MainFormTest, public ::testing::WithParamInterface<GeometryCase> {};

TEST_P(RowGeometryTest, ButtonsThenTitleOnEachRow) {
    const GeometryCase& param = GetParam();
    std::vector<QRect> monitors;
    for (int i = 0; i < param.displays; ++i) {
        monitors.push_back({1920 * i, 0, 1920, 1080});
    }
    fake->SetMonitors(monitors);
    fake->AddWindow(QStringLiteral("First"));
    fake->AddWindow(QStringLiteral("Second"));
    MakeForm();
    for (std::size_t k = 0; k < 2; ++k) {
        const WindowRowView& row = Row(k);
        ASSERT_EQ(row.DisplayButtons().size(), param.buttonLefts.size());
        for (std::size_t i = 0; i < row.DisplayButtons().size(); ++i) {
            QToolButton* button = row.DisplayButtons()[i];
            EXPECT_EQ(button->geometry(),
                      QRect(param.buttonLefts[i], 1 + 28 * static_cast<int>(k), 33, 25));
            EXPECT_EQ(button->text(), QString::number(i + 1));
            EXPECT_EQ(button->toolTip(), QStringLiteral("Clone/unclone on display %1").arg(i + 1));
            EXPECT_TRUE(button->isCheckable());
            EXPECT_FALSE(button->autoExclusive());
            EXPECT_TRUE(button->objectName().isEmpty());
        }
        const QRect title = row.TitleLabel()->geometry();
        EXPECT_EQ(title, QRect(param.titleLeft, 6 + 28 * static_cast<int>(k),
                               713 - param.titleLeft - 33, 15));
        EXPECT_EQ(row.TitleLabel()->toolTip(),
                  QStringLiteral("Click to bring clones of this window in the front"));
        EXPECT_TRUE(row.TitleLabel()->objectName().isEmpty());
    }
    // The scroll range follows the rows: the content ends with the last row's buttons.
    EXPECT_EQ(form->RowHost()->height(), 28 + 26);

    // Titles stretch with the window.
    form->show();
    form->resize(727 + 100, 551 + 40);
    EXPECT_EQ(Row(1).TitleLabel()->width(), 813 - param.titleLeft - 33);
}

INSTANTIATE_TEST_SUITE_P(Displays, RowGeometryTest,
                         ::testing::Values(GeometryCase{1, {6}, 45}, GeometryCase{2, {6, 45}, 84},
                                           GeometryCase{3, {6, 45, 84}, 123}),
                         [](const ::testing::TestParamInfo<GeometryCase>& info) {
                             return std::to_string(info.param.displays) + "Displays";
                         });

TEST_F(RowsTest, TitlesAreCutAndShownLiterally) {
    const QString longTitle(600, u'x');
    fake->AddWindow(longTitle);
    fake->AddWindow(QStringLiteral("Tom & Jerry <b>bold</b> &&"));
    MakeForm();
    EXPECT_EQ(Row(0).TitleLabel()->text().size(), 511);
    EXPECT_EQ(Row(1).TitleLabel()->text(), QStringLiteral("Tom & Jerry <b>bold</b> &&"));
    EXPECT_EQ(Row(1).TitleLabel()->textFormat(), Qt::PlainText);
}

TEST_F(RowsTest, NewRowLandsBelowTheLastEvenWhenScrolled) {
    for (int i = 0; i < 40; ++i) {
        fake->AddWindow(QStringLiteral("Window %1").arg(i));
    }
    MakeForm();
    form->show();
    form->WindowsScrollBox->verticalScrollBar()->setValue(200);
    fake->AddWindow(QStringLiteral("Newest"));
    form->RefreshWindowList();
    form->ArrangeRows();
    ASSERT_EQ(form->Rows().size(), 41u);
    EXPECT_EQ(Row(40).TitleLabel()->y() - Row(39).TitleLabel()->y(), 28);
    EXPECT_EQ(Row(40).TitleLabel()->y(), 6 + 40 * 28);
    EXPECT_EQ(form->RowHost()->height(), 28 * 40 + 26);
}

// A window query that lists every window twice.
class DoublingPlatform : public FakePlatform {
  protected:
    std::vector<ListedWindow> Snapshot(WindowHandle applicationWindow) override {
        std::vector<ListedWindow> listed = FakePlatform::Snapshot(applicationWindow);
        const std::vector<ListedWindow> once = listed;
        listed.insert(listed.end(), once.begin(), once.end());
        return listed;
    }
};

TEST_F(RowsTest, WindowListedTwiceGetsOneRow) {
    platform = std::make_unique<DoublingPlatform>();
    fake = platform.get();
    const WindowHandle w = fake->AddWindow(QStringLiteral("Twice"));
    fake->AddWindow(QStringLiteral("Other"));
    MakeForm();
    ASSERT_EQ(Titles(), QStringList({"Twice", "Other"}));
    EXPECT_EQ(Row(0).Window(), w);
    form->RefreshWindowList();
    EXPECT_EQ(form->Rows().size(), 2u);
}

struct MonitorCountCase {
    int displays;
    const char* text;
};

class MonitorCountTest : public MainFormTest,
                         public ::testing::WithParamInterface<MonitorCountCase> {};

TEST_P(MonitorCountTest, ActivationWritesTheMonitorLine) {
    fake->SetMonitors(
        std::vector<QRect>(static_cast<std::size_t>(GetParam().displays), QRect{0, 0, 800, 600}));
    MakeForm();
    EXPECT_EQ(form->MonitorsLabelW->text(), QStringLiteral("This system has 9 monitors."));
    form->FormActivate();
    EXPECT_EQ(form->MonitorsLabelW->text(), QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(Counts, MonitorCountTest,
                         ::testing::Values(MonitorCountCase{1, "This system has 1 monitor."},
                                           MonitorCountCase{3, "This system has 3 monitors."},
                                           MonitorCountCase{0, "This system has 0 monitors."}),
                         [](const ::testing::TestParamInfo<MonitorCountCase>& info) {
                             return std::to_string(info.param.displays) + "Displays";
                         });

// A window that comes up without the focus (Wayland, focus-stealing prevention) still
// shows the count, not the designed placeholder: it is written when the window is shown.
TEST_F(RowsTest, ShowingTheWindowWritesTheMonitorLineBeforeAnyActivation) {
    fake->SetMonitors({{0, 0, 800, 600}, {800, 0, 800, 600}});
    MakeForm();
    form->show();
    EXPECT_FALSE(form->isActiveWindow());
    EXPECT_EQ(form->MonitorsLabelW->text(), QStringLiteral("This system has 2 monitors."));
}

TEST_F(RowsTest, ActivatingTheWindowRewritesTheMonitorLine) {
    fake->SetMonitors({{0, 0, 800, 600}});
    MakeForm();
    form->show();
    form->activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->isActiveWindow(); }, 5000));
    EXPECT_EQ(form->MonitorsLabelW->text(), QStringLiteral("This system has 1 monitor."));
}

// The catalog translates the main window by component name; the rows carry no names, so an
// entry with an empty name reaches the titles that exist when the language is applied, until
// the next refresh reads the titles again.
TEST_F(RowsTest, CatalogTextsReachTheFormAndUnnamedRows) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(WriteTextFile(dir.filePath("0407.lcl"),
                              "MainForm~<DEFAULT>~\"Quillane Vantrel (de)\"\n"
                              "MainForm~WindowListLabelW~\"Fensterliste:\"\n"
                              "MainForm~~\"Unnamed\"\n"
                              "<SP>~MainForm:MonitorCountMulti~\"%s1% Bildschirme\"\n"));
    session.catalog.Load(QFile::encodeName(dir.path() + "/").toStdString());
    fake->AddWindow(QStringLiteral("Editor"));
    MakeForm();
    form->ApplyLanguage(0x0407);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Quillane Vantrel (de)"));
    EXPECT_EQ(form->WindowListLabelW->text(), QStringLiteral("Fensterliste:"));
    EXPECT_EQ(Row(0).TitleLabel()->text(), QStringLiteral("Unnamed"));
    EXPECT_EQ(Row(0).DisplayButtons()[0]->text(), QStringLiteral("1"));
    form->FormActivate();
    EXPECT_EQ(form->MonitorsLabelW->text(), QStringLiteral("2 Bildschirme"));
    form->RefreshWindowList();
    EXPECT_EQ(Row(0).TitleLabel()->text(), QStringLiteral("Editor"));
}

// The leftmost and rightmost columns of a label's drawing that differ from its background.
std::pair<int, int> InkColumns(QWidget* label) {
    const QImage image = label->grab().toImage();
    const QRgb background = image.pixel(image.width() - 1, image.height() - 1);
    int left = image.width();
    int right = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return {left, right};
}

// Short titles start next to the buttons whatever their script's direction.
TEST_F(RowsTest, TitlesStartNextToTheButtonsInEveryScript) {
    fake->AddWindow(QStringLiteral("Editor"));
    fake->AddWindow(QString::fromUtf8("\xd7\xa2\xd7\x95\xd7\xa8\xd7\x9a"));  // Hebrew
    fake->AddWindow(QString::fromUtf8("\xd9\x85\xd8\xad\xd8\xb1\xd8\xb1"));  // Arabic
    MakeForm();
    form->show();
    for (std::size_t k = 0; k < 3; ++k) {
        RowTitleLabel* title = Row(k).TitleLabel();
        ASSERT_GT(title->width(), 400);
        const auto [left, right] = InkColumns(title);
        EXPECT_LT(left, 10) << k;
        EXPECT_LT(right, 120) << k;
    }
}

TEST_F(RowsTest, LongTitlesEndInAnEllipsisAndShowWholeInTheToolTip) {
    const QString longTitle = QStringLiteral("A very long title <b>not bold</b> ").repeated(8);
    fake->AddWindow(longTitle);
    fake->AddWindow(QStringLiteral("Short"));
    MakeForm();
    form->show();
    RowTitleLabel* cut = Row(0).TitleLabel();
    EXPECT_EQ(cut->text(), longTitle.left(511));
    EXPECT_TRUE(cut->ShownText().endsWith(QChar(0x2026)));
    EXPECT_LE(cut->fontMetrics().horizontalAdvance(cut->ShownText()), cut->contentsRect().width());
    // The whole title, literally (its markup escaped), then the hint.
    const QString tip = cut->ShownToolTip();
    EXPECT_TRUE(tip.contains(longTitle.trimmed().toHtmlEscaped()));
    EXPECT_TRUE(tip.contains(QStringLiteral("Click to bring clones of this window in the front")));
    EXPECT_FALSE(tip.contains(QStringLiteral("<b>")));
    // A title that fits is drawn whole and keeps the plain hint.
    RowTitleLabel* whole = Row(1).TitleLabel();
    EXPECT_EQ(whole->ShownText(), QStringLiteral("Short"));
    EXPECT_EQ(whole->ShownToolTip(),
              QStringLiteral("Click to bring clones of this window in the front"));
    // Widening the window shows more of the long title.
    const int shown = cut->ShownText().size();
    form->resize(form->width() + 300, form->height());
    EXPECT_GT(cut->ShownText().size(), shown);
}

}  // namespace
