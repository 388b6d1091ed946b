// Start-up and shutdown over the fake backend: single instance, installation folder,
// catalog, the composition refusal and the ordinary run.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include "app/Application.h"
#include "mainwindow/MainForm.h"
#include "platform/posix/PosixSystemServices.h"
#include "tests/mainwindow/WriteTextFile.h"
#include "tests/support/TestApplication.h"
#include "tests/support/fake/FakePlatform.h"

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
        fake->AddWindow(QStringLiteral("Editor"));
    }

    int Run() {
        char name[] = "vantrel";
        char* argv[] = {name, nullptr};
        return RunVantrel(*fake, 1, argv);
    }

    SystemSettings settings;
    std::unique_ptr<FakePlatform> platform = std::make_unique<FakePlatform>();
    FakePlatform* fake = platform.get();
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
    EXPECT_EQ(ReadInstallPathSetting(), GetParam().installPath.value_or(QString()));
    EXPECT_EQ(GetMessagesFolder(ReadInstallPathSetting()), GetParam().messages);
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
    EXPECT_EQ(fake->SnapshotCalls(), 0);
    EXPECT_FALSE(shows.mainFormShown);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), before);
    EXPECT_EQ(fake->GuardHolders("Vantrel"), 1) << "only the other copy holds the guard";
}

// Without a recorded installation folder the catalogs are found from the executable.
struct LocationCase {
    const char* what;
    const char* installPath;  // recorded installation folder, relative to the scratch folder
    const char* executable;   // the executable's folder, likewise
    const char* buildFolder;  // the build folder, likewise
    const char* existing;     // a catalog folder that exists, or nothing
    const char* found;        // the folder found, relative, or "" for none
};

class MessagesLocationTest : public ::testing::TestWithParam<LocationCase> {};

TEST_P(MessagesLocationTest, FindsTheCatalogFolder) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QDir root(scratch.path());
    const auto path = [&](const char* relative) {
        return QString::fromLatin1(relative).isEmpty()
                   ? QString()
                   : root.filePath(QString::fromLatin1(relative));
    };
    ASSERT_TRUE(root.mkpath(QStringLiteral("usr/bin")));
    ASSERT_TRUE(root.mkpath(QStringLiteral("build")));
    ASSERT_TRUE(root.mkpath(QStringLiteral("src/Messages")));
    if (GetParam().existing != nullptr) {
        ASSERT_TRUE(root.mkpath(QString::fromLatin1(GetParam().existing)));
    }
    const MessagesLocations where{QStringLiteral("../share/vantrel/Messages"),
                                  path(GetParam().buildFolder), root.filePath("src/Messages")};
    const QString found =
        FindMessagesFolder(path(GetParam().installPath), path(GetParam().executable), where);
    EXPECT_EQ(QDir::cleanPath(found), QDir::cleanPath(path(GetParam().found)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MessagesLocationTest,
    ::testing::Values(
        LocationCase{"RecordedInstallPathWins", "opt/v", "usr/bin", "build",
                     "usr/share/vantrel/Messages", "opt/v/Messages"},
        LocationCase{"InstalledLayoutBesideTheExecutable", "", "usr/bin", "build",
                     "usr/share/vantrel/Messages", "usr/share/vantrel/Messages"},
        LocationCase{"BuildFolderUsesTheSourceTree", "", "build", "build", nullptr, "src/Messages"},
        LocationCase{"ElsewhereWithoutCatalogsNothing", "", "usr/bin", "build", nullptr, ""}),
    [](const ::testing::TestParamInfo<LocationCase>& info) { return info.param.what; });

// The build this test belongs to finds the source tree's catalogs for the program it builds.
TEST(MessagesLocation, ThisBuildFindsTheShippedCatalogs) {
    const MessagesLocations where = BuiltMessagesLocations();
    const QString found = FindMessagesFolder(QString(), where.buildFolder, where);
    EXPECT_TRUE(QFileInfo(QDir(found).filePath(QStringLiteral("0407.lcl"))).isFile())
        << found.toStdString();
    EXPECT_EQ(where.installedRelative, QStringLiteral("../share/vantrel/Messages"));
}

struct RefusalCase {
    const char* what;
    const char* missing;  // what the compositor says is missing
    const char* own;      // the backend's own text (Wayland), or nothing
    const char* catalog;  // a message 5 in the catalog, or nothing
    const char* text;     // the message box's text
};

class RefusalTest : public StartupTest, public ::testing::WithParamInterface<RefusalCase> {};

// The built-in text is the backend's own where it has one (Wayland), names what is missing
// where the compositor knows (an X server without its extensions), and otherwise keeps the
// Windows wording; the catalog's message wins over all of them.
INSTANTIATE_TEST_SUITE_P(
    Cases, RefusalTest,
    ::testing::Values(
        RefusalCase{"NothingNamed", "", nullptr, nullptr,
                    "Vantrel requires Windows Aero interface to be enabled."},
        RefusalCase{"X11ExtensionsMissing", "Composite, DAMAGE", nullptr, nullptr,
                    "Vantrel needs the X server extensions Composite, RENDER and DAMAGE to show "
                    "live clones. Missing: Composite, DAMAGE."},
        RefusalCase{"BackendsOwnText", "", "Install the portal.", nullptr, "Install the portal."},
        RefusalCase{"CatalogWins", "Composite", nullptr, "No compositing here.",
                    "No compositing here."},
        RefusalCase{"CatalogWinsOverTheBackend", "", "Install the portal.", "No compositing here.",
                    "No compositing here."}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.what; });

TEST_P(RefusalTest, WithoutCompositionOnlyTheMessageBoxShows) {
    fake->Compositor().SetAvailable(false);
    fake->Compositor().SetMissingFeatures(QString::fromLatin1(GetParam().missing));
    if (GetParam().own != nullptr) {
        fake->Compositor().SetUnavailableMessage(QString::fromLatin1(GetParam().own));
    }
    QTemporaryDir install;
    if (GetParam().catalog != nullptr) {
        ASSERT_TRUE(WriteTextFile(install.filePath("Messages/0409.lcl"),
                                  QStringLiteral("<SP>~5~\"%1\"\n").arg(GetParam().catalog)));
        fake->SetInstallPath(install.path());
    }
    ShowWatcher shows;
    bool checked = false;
    PollInLoop([&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box == nullptr || !box->isVisible()) {
                continue;
            }
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Quillane Vantrel"));
            EXPECT_EQ(box->text(), QString::fromLatin1(GetParam().text));
            EXPECT_EQ(box->icon(), QMessageBox::Critical);
            EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
            TMainForm* form = FindMainForm();
            EXPECT_NE(form, nullptr);
            EXPECT_FALSE(form != nullptr && form->isVisible());
            EXPECT_EQ(fake->SnapshotCalls(), 1) << "the main window listed the windows once";
            EXPECT_EQ(fake->GuardHolders("Vantrel"), 1);
            checked = true;
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            return true;
        }
        return false;
    });
    EXPECT_EQ(Run(), 0) << "the program ends with 0 on every way out";
    EXPECT_TRUE(checked);
    EXPECT_FALSE(shows.mainFormShown);
    EXPECT_EQ(FindMainForm(), nullptr);
    EXPECT_EQ(fake->GuardHolders("Vantrel"), 0);
}

TEST_F(StartupTest, RunShowsTheTranslatedMainWindowUntilItCloses) {
    fake->SetInstallPath(settings.Path() + "/install");
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
        EXPECT_EQ(form->FormLanguageId(), 0x0407);
        EXPECT_TRUE(form->IdleRefreshInstalled());
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Quillane Vantrel (Deutsch)"));
        EXPECT_EQ(form->ExitButtonW->text(), QStringLiteral("&Beenden"));
        EXPECT_EQ(form->Rows().size(), 1u);
        checked = true;
        QTest::mouseClick(form->ExitButtonW, Qt::LeftButton);
        return true;
    });
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(checked);
    EXPECT_EQ(FindMainForm(), nullptr);
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

}  // namespace
