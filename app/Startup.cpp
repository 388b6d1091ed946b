#include "app/Startup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QSettings>

#include <cstdio>
#include <memory>

#include "about/ProductIcon.h"
#include "app/ProcessValues.h"
#include "l10n/Localizer.h"
#include "mainwindow/MainUnit.h"
#include "platform/Compositor.h"

namespace {

const char* const kCompositionMessage = "Vantrel requires Windows Aero interface to be enabled.";
constexpr int kCompositionMessageId = 5;

void ShowCompositionMessage() {
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(ApplicationTitle),
                    GetMessageTextById(LanguageId, kCompositionMessageId,
                                       QString::fromLatin1(kCompositionMessage)),
                    QMessageBox::Ok);
    box.setObjectName(QStringLiteral("CompositionMessage"));
    box.exec();
}

int RunWithToolkit(int argc, char** argv) {
    if (QCoreApplication::instance() != nullptr) {
        return RunApplication();
    }
    ChooseToolkitPlatform();
    if (const auto problem = DisplayProblem()) {
        std::fprintf(stderr, "vantrel: %s\n", problem->c_str());
        return 1;
    }
    // The program takes no arguments: the toolkit sees the program name only.
    static int toolkitArgc = 1;
    static char* toolkitArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("vantrel"), nullptr};
    QApplication application(toolkitArgc, toolkitArgv);
    WatchDisplayConnection();
    return RunApplication();
}

}  // namespace

QString ReadInstallPath() {
    const QSettings settings(QSettings::NativeFormat, QSettings::SystemScope,
                             QStringLiteral("Quillane"), QStringLiteral("Vantrel"));
    return settings.value(QStringLiteral("InstallPath")).toString();
}

QString GetMessagesFolder() {
    QString folder = ReadInstallPath();
    if (folder.isEmpty()) {
        return folder;
    }
    if (!folder.endsWith(QDir::separator())) {
        folder += QDir::separator();
    }
    return folder + QStringLiteral("Messages");
}

int RunApplication() {
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application == nullptr) {
        return 1;
    }
    // Only closing the main window ends the program; a closed About box or message box while
    // the main window hides in the tray must not.
    application->setQuitOnLastWindowClosed(false);
    application->setWindowIcon(ProductIcon());
    SetCatalogLanguage(static_cast<std::uint32_t>(LanguageId));
    LoadCatalog(QFile::encodeName(GetMessagesFolder()).toStdString());

    // The main window lists the windows once on creation; it is shown only if composition
    // is available.
    auto mainForm = std::make_unique<TMainForm>();
    if (!IsCompositionEnabled()) {
        ShowCompositionMessage();
        return 0;
    }
    mainForm->PrepareToRun(LanguageId);
    QObject::connect(mainForm.get(), &TMainForm::Closed, application, &QCoreApplication::quit);
    mainForm->show();
    mainForm->activateWindow();
    QApplication::exec();
    return 0;
}

int RunVantrel(int argc, char** argv) {
    InitializeProcessValues();
    int exitCode = 0;
    if (!AlreadyRunning) {
        exitCode = RunWithToolkit(argc, argv);
    }
    CloseInstanceMutex();
    ClearCatalog();
    return exitCode;
}
