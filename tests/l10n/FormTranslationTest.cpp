// Translating a small window: which controls take which catalog entries.
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "l10n/FormTranslation.h"
#include "tests/l10n/CatalogTestSupport.h"
#include "widgets/WideControls.h"

namespace {

class WideForm : public QWidget, public WideTextForm {};

class DerivedLabel : public WideLabel {
  public:
    using WideLabel::WideLabel;
};

template <typename T>
T* Add(QWidget* parent, const char* name, const QString& text) {
    auto* widget = new T(parent);
    widget->setObjectName(name);
    if constexpr (std::is_base_of_v<QGroupBox, T>) {
        widget->setTitle(text);
    } else {
        widget->setText(text);
    }
    widget->setToolTip("design hint");
    return widget;
}

// A window in the shape of the program's forms: wide controls at the top level, inside a
// group box and inside a scroll area, plus plain controls and unnamed row widgets.
struct TestWindow {
    explicit TestWindow(const char* name, bool wide = true)
        : form(wide ? new WideForm : new QWidget) {
        form->setObjectName(name);
        form->setWindowTitle("design title");
        ok = Add<WideButton>(form.get(), "OKButtonW", "OK");
        plainLabel = Add<QLabel>(form.get(), "MonitorsLabel", "plain");
        plainButton = Add<QPushButton>(form.get(), "OKButton", "plain");
        box = Add<WideGroupBox>(form.get(), "Box", "box");
        inner = Add<WideLabel>(box, "Inner", "inner");
        derived = Add<DerivedLabel>(box, "Derived", "derived");
        auto* scroll = new QScrollArea(form.get());
        scroll->setObjectName("WindowsScrollBox");
        auto* rows = new QWidget;
        new QVBoxLayout(rows);
        rowTitle = Add<WideLabel>(rows, "", "window title");
        rowButton = Add<WideButton>(rows, "", "row button");
        display = Add<QToolButton>(rows, "", "1");
        scroll->setWidget(rows);
        owned = new QDialog(form.get());
        ownedButton = Add<WideButton>(owned, "OKButtonW", "owned");
    }

    std::unique_ptr<QWidget> form;
    WideButton* ok;
    QLabel* plainLabel;
    QPushButton* plainButton;
    WideGroupBox* box;
    WideLabel* inner;
    DerivedLabel* derived;
    WideLabel* rowTitle;
    WideButton* rowButton;
    QToolButton* display;
    QDialog* owned;
    WideButton* ownedButton;
};

class FormTranslationTest : public ::testing::Test {
  protected:
    void Load(const QString& text) {
        folder_.Messages().Clear();
        folder_.WriteText("0409.lcl", text);
        folder_.Load();
    }
    CatalogFolder folder_;
};

TEST_F(FormTranslationTest, FormEntryOverridesTheSharedOneForBothTexts) {
    Load("<ALL>~OKButtonW~'All'~'all hint'\nAboutForm~OKButtonW~'&Fine'\n");
    TestWindow about("AboutForm");
    TestWindow main("MainForm");
    TranslateForm(about.form.get(), folder_.Messages(), 0x0409);
    TranslateForm(main.form.get(), folder_.Messages(), 0x0409);
    EXPECT_EQ(about.ok->text(), "&Fine");
    EXPECT_EQ(about.ok->toolTip(), "");  // three fields empty the hint
    EXPECT_EQ(main.ok->text(), "All");
    EXPECT_EQ(main.ok->toolTip(), "all hint");
}

TEST_F(FormTranslationTest, FormCaptionOnlyFromItsOwnSection) {
    Load(
        "<ALL>~<DEFAULT>~'everyone'~'x'\nAboutForm~<DEFAULT>~'About<9>it'~'form hint'\n"
        "Plain~<DEFAULT>~'plain form'\n");
    TestWindow about("AboutForm");
    TestWindow main("MainForm");
    TestWindow plain("Plain", false);
    TranslateForm(about.form.get(), folder_.Messages(), 0x0409);
    TranslateForm(main.form.get(), folder_.Messages(), 0x0409);
    TranslateForm(plain.form.get(), folder_.Messages(), 0x0409);
    EXPECT_EQ(about.form->windowTitle(), "About\tit");
    EXPECT_EQ(about.form->toolTip(), "form hint");
    EXPECT_EQ(main.form->windowTitle(), "design title");
    EXPECT_EQ(plain.form->windowTitle(), "design title");  // not a wide-text form
}

TEST_F(FormTranslationTest, NestedControlsUseTheFormSection) {
    Load(
        "Box~Inner~'by box'\nAboutForm~Box~'Group'~'group hint'\nAboutForm~Derived~'D'\n"
        "AboutForm~WindowsScrollBox~'scroll'\n");
    TestWindow about("AboutForm");
    TranslateForm(about.form.get(), folder_.Messages(), 0x0409);
    EXPECT_EQ(about.inner->text(), "inner");
    EXPECT_EQ(about.box->title(), "Group");
    EXPECT_EQ(about.box->toolTip(), "group hint");
    EXPECT_EQ(about.derived->text(), "D");

    Load("AboutForm~Inner~'by form'\n");
    TranslateForm(about.form.get(), folder_.Messages(), 0x0409);
    EXPECT_EQ(about.inner->text(), "by form");
}

TEST_F(FormTranslationTest, EmptyNameReachesUnnamedWideControlsOnly) {
    Load("MainForm~~'row'~'row hint'\n");
    TestWindow main("MainForm");
    TestWindow about("AboutForm");
    TranslateForm(main.form.get(), folder_.Messages(), 0x0409);
    TranslateForm(about.form.get(), folder_.Messages(), 0x0409);
    EXPECT_EQ(main.rowTitle->text(), "row");
    EXPECT_EQ(main.rowTitle->toolTip(), "row hint");
    EXPECT_EQ(main.rowButton->text(), "row");
    EXPECT_EQ(main.display->text(), "1");
    EXPECT_EQ(main.display->toolTip(), "design hint");
    EXPECT_EQ(about.rowTitle->text(), "window title");

    Load("<ALL>~~'any row'\n");
    TranslateForm(about.form.get(), folder_.Messages(), 0x0409);
    EXPECT_EQ(about.rowTitle->text(), "any row");
}

TEST_F(FormTranslationTest, ControlsThatAreNotTranslatableKeepTheirTexts) {
    Load(
        "AboutForm~okbuttonw~'lower case'\nAboutForm~MonitorsLabel~'x'\n"
        "AboutForm~OKButton~'x'\n");
    TestWindow about("AboutForm");
    TranslateForm(about.form.get(), folder_.Messages(), 0x0409);
    EXPECT_EQ(about.ok->text(), "OK");
    EXPECT_EQ(about.plainLabel->text(), "plain");
    EXPECT_EQ(about.plainButton->text(), "plain");
    EXPECT_EQ(about.plainLabel->toolTip(), "design hint");
}

TEST_F(FormTranslationTest, OwnedWindowsAreNotControlsOfTheForm) {
    Load("AboutForm~OKButtonW~'form'\n");
    TestWindow about("AboutForm");
    TranslateForm(about.form.get(), folder_.Messages(), 0x0409);
    EXPECT_EQ(about.ok->text(), "form");
    EXPECT_EQ(about.ownedButton->text(), "owned");
}

TEST_F(FormTranslationTest, NoLanguageChangesNothing) {
    Load("AboutForm~<DEFAULT>~'t'\nAboutForm~OKButtonW~'x'\n");
    TestWindow about("AboutForm");
    TranslateForm(about.form.get(), folder_.Messages(), 0x0411);
    TranslateForm(nullptr, folder_.Messages(), 0x0409);
    EXPECT_EQ(about.form->windowTitle(), "design title");
    EXPECT_EQ(about.ok->text(), "OK");
    EXPECT_EQ(about.ok->toolTip(), "design hint");
}

}  // namespace
