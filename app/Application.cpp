#include "app/Application.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

#include <cstdio>
#include <memory>

#include "app/MainFormRemoteTarget.h"
#include "app/RefusalRemoteTarget.h"
#include "clones/KeptStore.h"
#include "l10n/Session.h"
#include "mainwindow/MainForm.h"
#include "platform/Platform.h"
#include "remote/RemoteEntry.h"
#include "remote/RemoteServer.h"
#include "widgets/ProductIcon.h"

namespace {

const char* const kCompositionMessage = "Vantrel requires Windows Aero interface to be enabled.";
// Where the compositor can say what is missing (an X server without its extensions).
const char* const kMissingFeaturesMessage =
    "Vantrel needs the X server extensions Composite, RENDER and DAMAGE to show live clones. "
    "Missing: %1.";
constexpr int kCompositionMessageId = 5;
// The exit status of a copy that could not run here: 0, as on every other way out (scripts
// that need to know ask through a command, which fails with the reason).
constexpr int kCannotRunExitCode = 0;
// The name the single-instance guard is taken under.
const QString kInstanceGuardName = QStringLiteral("Vantrel");

// The catalog's message wins; without it the backend's own text (Wayland: what to install),
// else the text names what is missing where the compositor knows, and otherwise keeps the
// Windows wording.
QString CompositionMessageDefault(Compositor& compositor) {
    if (QString own = compositor.UnavailableMessage(); !own.isEmpty()) {
        return own;
    }
    const QString missing = compositor.MissingFeatures();
    if (missing.isEmpty()) {
        return QString::fromLatin1(kCompositionMessage);
    }
    return QString::fromLatin1(kMissingFeaturesMessage).arg(missing);
}

// The program cannot run here: the message goes to standard error and into the box, and
// until the box is dismissed, commands from scripts fail with it at once. Ends with 0.
int RefuseToRun(const Session& session, Compositor& compositor) {
    const QString text = session.catalog.GetMessageTextById(
        session.languageId, kCompositionMessageId, CompositionMessageDefault(compositor));
    std::fprintf(stderr, "vantrel: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    QMessageBox box(QMessageBox::Critical, session.applicationTitle, text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("CompositionMessage"));
    RefusalRemoteTarget refusal(box, text);
    const RemoteServer remoteServer(refusal);
    box.exec();
    return kCannotRunExitCode;
}

int RunWithToolkit(Session& session, Platform& platform, int argc, char** argv,
                   const ToolkitHooks& hooks) {
    if (QCoreApplication::instance() != nullptr) {
        return RunApplication(session, platform);
    }
    if (const auto problem = hooks.displayProblem ? hooks.displayProblem() : std::nullopt) {
        std::fprintf(stderr, "vantrel: %s\n", problem->toLocal8Bit().constData());
        return 1;
    }
    // The program takes no arguments: the toolkit sees the program name only.
    static int toolkitArgc = 1;
    static char* toolkitArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("vantrel"), nullptr};
    QApplication application(toolkitArgc, toolkitArgv);
    if (hooks.started) {
        hooks.started();
    }
    Platform* replacement = hooks.replacement ? hooks.replacement() : nullptr;
    return RunApplication(session, replacement != nullptr ? *replacement : platform);
}

}  // namespace

QString GetMessagesFolder(const QString& installPath) {
    QString folder = installPath;
    if (folder.isEmpty()) {
        return folder;
    }
    if (!folder.endsWith(QDir::separator())) {
        folder += QDir::separator();
    }
    return folder + QStringLiteral("Messages");
}

MessagesLocations BuiltMessagesLocations() {
    return {QStringLiteral(VANTREL_INSTALLED_MESSAGES), QStringLiteral(VANTREL_BUILD_FOLDER),
            QStringLiteral(VANTREL_SOURCE_MESSAGES)};
}

QString FindMessagesFolder(const QString& installPath, const QString& executableFolder,
                           const MessagesLocations& where) {
    if (!installPath.isEmpty()) {
        return GetMessagesFolder(installPath);
    }
    if (executableFolder.isEmpty()) {
        return {};
    }
    const QDir executable(executableFolder);
    if (!where.installedRelative.isEmpty()) {
        const QString installed = QDir::cleanPath(executable.filePath(where.installedRelative));
        if (QFileInfo(installed).isDir()) {
            return installed;
        }
    }
    const bool inBuildFolder =
        !where.buildFolder.isEmpty() && QFileInfo(executableFolder).canonicalFilePath() ==
                                            QFileInfo(where.buildFolder).canonicalFilePath();
    if (inBuildFolder && QFileInfo(where.sourceMessages).isDir()) {
        return where.sourceMessages;
    }
    return {};
}

namespace {

void PrintLine(const QString& text) {
    std::fprintf(stderr, "vantrel: %s\n", text.toLocal8Bit().constData());
}

// The kept clones of the last run come back as their windows and displays appear; every
// change of them is saved at once.
void KeepClones(CloneSet& clones) {
    const QString path = KeptClonesPath();
    KeptLoad loaded = LoadKeptClones(path);
    if (!loaded.problem.isEmpty()) {
        PrintLine(loaded.problem);
    }
    // What this copy read or saved last: copies on other X servers share the file, and
    // only this copy's changes since then are merged into it.
    auto base = std::make_shared<std::vector<KeptClone>>(loaded.kept);
    clones.RestoreKept(std::move(loaded.kept));
    QObject::connect(&clones, &CloneSet::KeptChanged, &clones, [&clones, path, base] {
        const KeptMerge merge = MergeKeptClones(path, *base, clones.Kept());
        if (!merge.problem.isEmpty()) {
            PrintLine(merge.problem);
        }
        if (merge.saved) {
            *base = clones.Kept();
        }
    });
}

}  // namespace

int RunApplication(Session& session, Platform& platform) {
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application == nullptr) {
        return 1;
    }
    // Only closing the main window ends the program; a closed About box or message box while
    // the main window hides in the tray must not.
    application->setQuitOnLastWindowClosed(false);
    application->setWindowIcon(ProductIcon());
    session.catalog.Load(
        QFile::encodeName(FindMessagesFolder(platform.System().InstallPath(),
                                             QCoreApplication::applicationDirPath(),
                                             BuiltMessagesLocations()))
            .toStdString());

    // The main window lists the windows once on creation; it is shown only if composition
    // is available.
    auto mainForm = std::make_unique<TMainForm>(session, platform);
    if (!platform.Compositor().Available()) {
        return RefuseToRun(session, platform.Compositor());
    }
    KeepClones(mainForm->Clones());
    mainForm->PrepareToRun(session.languageId);
    QObject::connect(mainForm.get(), &TMainForm::Closed, application, &QCoreApplication::quit);
    mainForm->show();
    mainForm->activateWindow();
    // Scripts reach this copy for as long as the main window lives.
    MainFormRemoteTarget remoteTarget(*mainForm, platform);
    const RemoteServer remoteServer(remoteTarget);
    QApplication::exec();
    return 0;
}

int RunVantrel(Platform& platform, int argc, char** argv, const ToolkitHooks& hooks) {
    // The guard first, then the language; the guard is held until the program ends.
    const std::unique_ptr<InstanceGuard> guard =
        platform.System().AcquireInstanceGuard(kInstanceGuardName);
    if (guard != nullptr && guard->AlreadyRunning()) {
        // A second start brings the running copy's window back, then ends.
        ShowRunningCopy();
        return 0;
    }
    Session session(platform.Encodings(),
                    static_cast<std::int32_t>(platform.System().UserLanguageId()));
    return RunWithToolkit(session, platform, argc, argv, hooks);
}
