#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

#include "about/AboutForm.h"
#include "l10n/Session.h"
#include "tests/support/TestApplication.h"
#include "tests/support/fake/FakePlatform.h"
#include "widgets/AltKeyRepaint.h"
#include "widgets/ProductIcon.h"

namespace {

// Takes the links the About window opens instead of the desktop.
class LinkCatcher : public QObject {
    Q_OBJECT
  public:
    LinkCatcher() {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "Open");
    }
    ~LinkCatcher() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    }
    std::vector<QUrl> opened;

  public slots:
    void Open(const QUrl& url) { opened.push_back(url); }
};

class AboutFormTest : public ::testing::Test {
  protected:
    void SetUp() override { TestApplication(); }

    void ShowActive(TAboutForm& form) {
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    FakePlatform fake;
    Session session{fake.Encodings(), 0x0409};
};

struct Placed {
    const char* name;
    QRect bounds;
};

TEST_F(AboutFormTest, DesignedLayout) {
    TAboutForm form(session, fake.System());
    EXPECT_EQ(form.objectName(), "AboutForm");
    EXPECT_EQ(form.windowTitle(), "About Vantrel");
    EXPECT_EQ(form.size(), QSize(362, 217));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form.palette().color(QPalette::Window), form.palette().color(QPalette::Button));
    EXPECT_EQ(form.font().family(), "Segoe UI");
    EXPECT_EQ(form.font().pixelSize(), 12);

    const std::vector<Placed> placed = {
        {"Bevel1", QRect(8, 8, 346, 170)},
        {"Bevel2", QRect(24, 24, 42, 42)},
        {"ProductLogoImage", QRect(24, 24, 42, 42)},
    };
    for (const auto& p : placed) {
        SCOPED_TRACE(p.name);
        auto* widget = form.findChild<QWidget*>(QLatin1String(p.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), p.bounds);
    }
    for (QFrame* bevel : {form.Bevel1, form.Bevel2}) {
        EXPECT_EQ(bevel->frameShape(), QFrame::Box);
        EXPECT_EQ(bevel->frameShadow(), QFrame::Sunken);
    }
    ASSERT_FALSE(form.ProductLogoImage->pixmap().isNull());
    EXPECT_EQ(form.ProductLogoImage->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(form.ProductLogoImage->alignment(), Qt::AlignCenter);
}

TEST_F(AboutFormTest, LabelsShowTheProductAndTheNoticeSizedToTheirText) {
    TAboutForm form(session, fake.System());
    EXPECT_EQ(form.ProductLabel->text(), "Vantrel 1.2");
    EXPECT_TRUE(form.ProductLabel->font().bold());
    EXPECT_EQ(form.ProductLabel->pos(), QPoint(88, 24));
    EXPECT_TRUE(form.CopyrightLabel->text().startsWith(QStringLiteral("Copyright \u00A9")));
    EXPECT_EQ(form.CopyrightLabel->pos(), QPoint(88, 51));
    for (QLabel* label : {form.ProductLabel, form.CopyrightLabel}) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_EQ(label->size(), label->sizeHint());
        EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
        // Plain labels are not of the translatable kind.
        EXPECT_EQ(qobject_cast<WideLabel*>(label), nullptr);
    }
    EXPECT_EQ(form.OKButtonW->text(), "OK");
    EXPECT_TRUE(form.OKButtonW->isDefault());
}

TEST_F(AboutFormTest, OkClosesWithAcceptedByClickEnterAndEscape) {
    struct Way {
        const char* name;
        void (*press)(TAboutForm&);
    };
    const std::vector<Way> ways = {
        {"click", [](TAboutForm& f) { QTest::mouseClick(f.OKButtonW, Qt::LeftButton); }},
        {"enter", [](TAboutForm& f) { QTest::keyClick(f.focusWidget(), Qt::Key_Return); }},
        {"keypad enter", [](TAboutForm& f) { QTest::keyClick(f.focusWidget(), Qt::Key_Enter); }},
        {"escape", [](TAboutForm& f) { QTest::keyClick(f.focusWidget(), Qt::Key_Escape); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        TAboutForm form(session, fake.System());
        ShowActive(form);
        ASSERT_NE(form.focusWidget(), nullptr);
        form.setResult(-1);
        way.press(form);
        EXPECT_EQ(form.result(), QDialog::Accepted);
        EXPECT_FALSE(form.isVisible());
    }
}

TEST_F(AboutFormTest, ModalLoopEndsWithAcceptedOnEscape) {
    TAboutForm form(session, fake.System());
    QTimer::singleShot(0, &form, [&form] {
        QTest::keyClick(form.focusWidget() ? form.focusWidget() : &form, Qt::Key_Escape);
    });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
}

TEST_F(AboutFormTest, AltKeyRepaintsTheButtonsAfterItsDelay) {
    TAboutForm form(session, fake.System());
    ShowActive(form);
    ASSERT_NE(form.AltKeyRepaint, nullptr);
    EXPECT_EQ(form.AltKeyRepaint->parent(), &form);
    QSignalSpy repainted(form.AltKeyRepaint, &TAltKeyRepaint::Repainted);

    // A plain key, and Tab without Alt before it, start nothing.
    QTest::keyClick(form.focusWidget(), Qt::Key_A);
    QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
    EXPECT_FALSE(form.AltKeyRepaint->Pending());

    QTest::keyPress(form.focusWidget(), Qt::Key_Alt);
    EXPECT_TRUE(form.AltKeyRepaint->LastKeyWasAlt());
    ASSERT_TRUE(repainted.wait(2000));
    ASSERT_EQ(repainted.count(), 1);
    EXPECT_GE(repainted.at(0).at(0).toInt(), 1);  // OKButtonW at least
    QTest::keyRelease(form.focusWidget(), Qt::Key_Alt);
    EXPECT_TRUE(form.isVisible());
}

TEST_F(AboutFormTest, LabelClicksOpenHomePageAndMailLink) {
    LinkCatcher links;
    TAboutForm form(session, fake.System());
    ShowActive(form);
    QTest::mouseClick(form.ProductLabel, Qt::RightButton);
    EXPECT_TRUE(links.opened.empty());
    QTest::mouseClick(form.ProductLabel, Qt::LeftButton);
    QTest::mouseClick(form.CopyrightLabel, Qt::LeftButton);
    ASSERT_EQ(links.opened.size(), 2u);
    EXPECT_EQ(links.opened[0], QUrl(QString::fromLatin1(TAboutForm::kHomePage)));
    EXPECT_EQ(links.opened[1], QUrl(QString::fromLatin1(TAboutForm::kMailLink)));
    EXPECT_EQ(links.opened[1].scheme(), "mailto");
    EXPECT_TRUE(form.isVisible());
}

TEST_F(AboutFormTest, ApplyLanguageTakesTheDesktopFontButTheProductNameKeepsItsOwn) {
    QFont desktop(QStringLiteral("DejaVu Serif"));
    desktop.setPixelSize(17);
    desktop.setItalic(true);
    fake.SetInterfaceFont(desktop);
    TAboutForm form(session, fake.System());
    form.ApplyLanguage(0x0409);

    EXPECT_EQ(form.font().family(), "DejaVu Serif");
    EXPECT_EQ(form.font().pixelSize(), 17);
    EXPECT_EQ(form.CopyrightLabel->font().pixelSize(), 17);
    EXPECT_EQ(form.OKButtonW->font().pixelSize(), 17);
    EXPECT_EQ(form.CopyrightLabel->size(), form.CopyrightLabel->sizeHint());
    // A wide desktop font still keeps the notice inside the frame.
    EXPECT_LE(form.CopyrightLabel->geometry().right(), form.Bevel1->geometry().right() - 8);

    const QFont product = form.ProductLabel->font();
    EXPECT_EQ(product.family(), "Segoe UI");
    EXPECT_EQ(product.pixelSize(), 12);
    EXPECT_TRUE(product.bold());
    EXPECT_FALSE(product.italic());
}

TEST_F(AboutFormTest, CatalogTranslatesCaptionAndOkButtonButNotThePlainLabels) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile file(QDir(folder.path()).filePath(QStringLiteral("0407.lcl")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBF");
    file.write(
        QStringLiteral("; About window, German\r\n"
                       "AboutForm~<DEFAULT>~\"\u00DCber Vantrel\"~\"Produktinfo\"\r\n"
                       "AboutForm~OKButtonW~\"Schlie\u00DFen\"~\"Fenster schlie\u00DFen\"\r\n"
                       "AboutForm~ProductLabel~\"Falsch\"\r\n"
                       "<ALL>~CopyrightLabel~\"Falsch\"\r\n"
                       "AboutForm~Bevel1~\"Falsch\"\r\n")
            .toUtf8());
    file.close();
    session.catalog.Load(folder.path().toStdString());

    TAboutForm form(session, fake.System());
    form.ApplyLanguage(0x0407);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("\u00DCber Vantrel"));
    EXPECT_EQ(form.toolTip(), "Produktinfo");
    EXPECT_EQ(form.OKButtonW->text(), QStringLiteral("Schlie\u00DFen"));
    EXPECT_EQ(form.OKButtonW->toolTip(), QStringLiteral("Fenster schlie\u00DFen"));
    EXPECT_EQ(form.ProductLabel->text(), "Vantrel 1.2");
    EXPECT_TRUE(form.CopyrightLabel->text().startsWith(QStringLiteral("Copyright")));
    EXPECT_TRUE(form.ProductLabel->font().bold());

    TAboutForm english(session, fake.System());
    english.ApplyLanguage(0x0409);
    EXPECT_EQ(english.windowTitle(), "About Vantrel");
    EXPECT_EQ(english.OKButtonW->text(), "OK");
}

TEST_F(AboutFormTest, ProductIconHasItsFourImages) {
    const QIcon icon = ProductIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (const int size : {16, 32, 48, 256}) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(sizes.contains(QSize(size, size)));
        const QImage image = icon.pixmap(size, size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        // Something is drawn in the middle, and the corners stay transparent.
        EXPECT_GT(qAlpha(image.pixel(size / 2, size / 2)), 0);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    }
}

}  // namespace

#include "AboutFormTest.moc"
