// Start-up and shutdown over the fake backend: single instance, installation folder,
// catalog, the composition refusal and the ordinary run.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include "app/ProcessValues.h"
#include "app/Startup.h"
#include "l10n/Localizer.h"
#include "mainwindow/MainUnit.h"
#include "platform/fake/FakePlatform.h"
#include "tests/mainwindow/WriteTextFile.h"
#include "tests/support/TestApplication.h"

namespace {

// Points the system-scope settings at a folder of the test's own.
class SystemSettings {
  public:
    SystemSettings() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, dir_.path());
    }
    bool SetInstallPath(const QString& path) {
        return WriteTextFile(dir_.filePath("Quillane/Vantrel.conf"),
                             "[General]\nInstallPath=" + path + "\n");
    }
    QString Path() const { return dir_.path(); }

  private:
    QTemporaryDir dir_;
};

// Runs check on the event loop every few milliseconds until it returns true or 10 s pass.
void PollInLoop(std::function<bool()> check) {
    auto* timer = new QTimer;
    auto* elapsed = new QElapsedTimer;
    elapsed->start();
    QObject::connect(timer, &QTimer::timeout, [timer, elapsed, check] {
        if (check() || elapsed->elapsed() > 10000) {
            timer->stop();
            timer->deleteLater();
            delete elapsed;
        }
    });
    timer->start(10);
}

TMainForm* FindMainForm() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* form = qobject_cast<TMainForm*>(w)) {
            return form;
        }
    }
    return nullptr;
}

// Records whether the main window was ever shown.
class ShowWatcher : public QObject {
  public:
    ShowWatcher() { qApp->installEventFilter(this); }
    ~ShowWatcher() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->objectName() == "MainForm") {
            mainFormShown = true;
        }
        return false;
    }
    bool mainFormShown = false;
};

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestApplication();
        fake = &InstallFakePlatform();
        fake->AddWindow(u"Editor");
    }
    void TearDown() override { ClearCatalog(); }

    int Run() {
        char name[] = "vantrel";
        char* argv[] = {name, nullptr};
        return RunVantrel(1, argv);
    }

    SystemSettings settings;
    FakePlatform* fake = nullptr;
};

struct FolderCase {
    std::optional<QString> installPath;  // nothing: no settings file at all
    QString messages;
};

class MessagesFolderTest : public ::testing::TestWithParam<FolderCase> {};

TEST_P(MessagesFolderTest, FolderFollowsInstallPath) {
    SystemSettings settings;
    if (GetParam().installPath) {
        ASSERT_TRUE(settings.SetInstallPath(*GetParam().installPath));
    }
    EXPECT_EQ(ReadInstallPath(), GetParam().installPath.value_or(QString()));
    EXPECT_EQ(GetMessagesFolder(), GetParam().messages);
}

INSTANTIATE_TEST_SUITE_P(
    InstallPaths, MessagesFolderTest,
    ::testing::Values(FolderCase{QStringLiteral("/opt/v"), QStringLiteral("/opt/v/Messages")},
                      FolderCase{QStringLiteral("/opt/v/"), QStringLiteral("/opt/v/Messages")},
                      FolderCase{QStringLiteral("/opt/Quillane Vantrel"),
                                 QStringLiteral("/opt/Quillane Vantrel/Messages")},
                      FolderCase{QString(), QString()}, FolderCase{std::nullopt, QString()}),
    [](const ::testing::TestParamInfo<FolderCase>& info) {
        return "Case" + std::to_string(info.index);
    });

TEST_F(StartupTest, SecondCopyEndsAtOnceWithoutAnyWindow) {
    fake->HoldGuard("Vantrel");
    const auto before = QApplication::topLevelWidgets().size();
    ShowWatcher shows;
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(AlreadyRunning);
    EXPECT_EQ(fake->BuildListCalls(), 0);
    EXPECT_FALSE(shows.mainFormShown);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), before);
    EXPECT_EQ(fake->GuardHolders("Vantrel"), 1) << "only the other copy holds the guard";
}

TEST_F(StartupTest, WithoutCompositionOnlyTheMessageBoxShows) {
    fake->SetCompositionEnabled(false);
    ShowWatcher shows;
    bool checked = false;
    PollInLoop([&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box == nullptr || !box->isVisible()) {
                continue;
            }
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Quillane Vantrel"));
            EXPECT_EQ(box->text(),
                      QStringLiteral("Vantrel requires Windows Aero interface to be enabled."));
            EXPECT_EQ(box->icon(), QMessageBox::Critical);
            EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
            TMainForm* form = FindMainForm();
            EXPECT_NE(form, nullptr);
            EXPECT_FALSE(form != nullptr && form->isVisible());
            EXPECT_EQ(fake->BuildListCalls(), 1) << "the main window listed the windows once";
            EXPECT_EQ(fake->GuardHolders("Vantrel"), 1);
            checked = true;
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            return true;
        }
        return false;
    });
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(shows.mainFormShown);
    EXPECT_EQ(FindMainForm(), nullptr);
    EXPECT_EQ(fake->GuardHolders("Vantrel"), 0);
}

TEST_F(StartupTest, RunShowsTheTranslatedMainWindowUntilItCloses) {
    ASSERT_TRUE(settings.SetInstallPath(settings.Path() + "/install"));
    ASSERT_TRUE(WriteTextFile(settings.Path() + "/install/Messages/0407.lcl",
                              "MainForm~<DEFAULT>~\"Quillane Vantrel (Deutsch)\"\n"
                              "MainForm~ExitButtonW~\"&Beenden\"\n"));
    fake->SetLanguageId(0x0407);
    bool checked = false;
    PollInLoop([&] {
        TMainForm* form = FindMainForm();
        if (form == nullptr || !form->isVisible()) {
            return false;
        }
        EXPECT_EQ(LanguageId, 0x0407);
        EXPECT_TRUE(form->IdleRefreshInstalled());
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Quillane Vantrel (Deutsch)"));
        EXPECT_EQ(form->ExitButtonW->text(), QStringLiteral("&Beenden"));
        EXPECT_EQ(form->Rows().size(), 1u);
        EXPECT_FALSE(Resources.empty());
        checked = true;
        QTest::mouseClick(form->ExitButtonW, Qt::LeftButton);
        return true;
    });
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(checked);
    EXPECT_EQ(FindMainForm(), nullptr);
    EXPECT_TRUE(Resources.empty());
    EXPECT_EQ(fake->GuardHolders("Vantrel"), 0);
}

TEST_F(StartupTest, ClosingAnotherWindowWhileHiddenDoesNotEndTheProgram) {
    bool hidden = false;
    bool stillRunning = false;
    PollInLoop([&] {
        TMainForm* form = FindMainForm();
        if (form == nullptr || !form->isVisible()) {
            return false;
        }
        form->SetTrayAvailableProbe([] { return true; });
        form->HideButtonClick();
        // The last visible window closing must not end the program.
        auto* other = new QWidget;
        other->setAttribute(Qt::WA_DeleteOnClose);
        other->show();
        other->close();
        hidden = true;
        QTimer::singleShot(50, form, [form, &stillRunning] {
            stillRunning = !form->isVisible();
            form->ExitItem->trigger();
        });
        return true;
    });
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(stillRunning);
}

// The display check only applies to the X11 platform.
TEST(DisplayProblemTest, NamesWhatIsMissing) {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("DISPLAY");
    EXPECT_EQ(DisplayProblem().value_or(""), "Vantrel needs an X11 display; DISPLAY is not set");
    qputenv("DISPLAY", ":4987");
    EXPECT_NE(DisplayProblem().value_or("").find("cannot open display \":4987\""),
              std::string::npos);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    EXPECT_FALSE(DisplayProblem().has_value());
    qunsetenv("QT_QPA_PLATFORM");
    ChooseToolkitPlatform();
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "xcb");
    qputenv("QT_QPA_PLATFORM", "wayland");
    ChooseToolkitPlatform();
    EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), "wayland");
    qputenv("QT_QPA_PLATFORM", platform);
    if (display.isEmpty()) {
        qunsetenv("DISPLAY");
    } else {
        qputenv("DISPLAY", display);
    }
}

}  // namespace
