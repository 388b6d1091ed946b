// The buttons along the bottom of the main window and the tray icon with its menu.
#include "mainwindow/MainUnit.h"

#include <QAction>
#include <QMenu>

#include <memory>

#include "about/AboutUnit.h"
#include "about/ProductIcon.h"
#include "app/ProcessValues.h"
#include "mainwindow/MonitorIdentify.h"

namespace {
constexpr int kBalloonMs = 3000;
}

void TMainForm::CreateTrayIcon() {
    TrayPopupMenu = new QMenu(this);
    TrayPopupMenu->setObjectName(QStringLiteral("TrayPopupMenu"));
    OpenItem = TrayPopupMenu->addAction(QStringLiteral("Open Vantrel"));
    OpenItem->setObjectName(QStringLiteral("OpenItem"));
    QFont bold = OpenItem->font();
    bold.setBold(true);
    OpenItem->setFont(bold);
    TrayPopupMenu->setDefaultAction(OpenItem);
    AboutItem = TrayPopupMenu->addAction(QStringLiteral("About..."));
    AboutItem->setObjectName(QStringLiteral("AboutItem"));
    TrayPopupMenu->addSeparator();
    ExitItem = TrayPopupMenu->addAction(QStringLiteral("Exit"));
    ExitItem->setObjectName(QStringLiteral("ExitItem"));
    connect(OpenItem, &QAction::triggered, this, &TMainForm::TrayIconClick);
    connect(AboutItem, &QAction::triggered, this, &TMainForm::AboutButtonClick);
    connect(ExitItem, &QAction::triggered, this, &TMainForm::ExitButtonClick);

    TrayIcon = new QSystemTrayIcon(ProductIcon(), this);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    TrayIcon->setToolTip(QString::fromLatin1(ApplicationTitle));
    TrayIcon->setContextMenu(TrayPopupMenu);
    connect(TrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    TrayIconClick();
                }
            });
    setWindowIcon(TrayIcon->icon());
}

void TMainForm::FormShow() {
    TrayIcon->hide();
}

// Hides the window behind the tray icon; clones stay and the list keeps following the
// desktop. Without a notification area there would be no way back, so the window is
// minimised instead.
void TMainForm::HideButtonClick() {
    if (!FTrayAvailable || !FTrayAvailable()) {
        showMinimized();
        return;
    }
    hide();
    TrayIcon->show();
    ShowBalloon();
}

void TMainForm::ShowBalloon() {
    TrayIcon->showMessage(QString::fromLatin1(ApplicationTitle),
                          QStringLiteral("Access Vantrel using this icon."),
                          QSystemTrayIcon::Information, kBalloonMs);
    ++FBalloonsShown;
}

void TMainForm::TrayIconClick() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

void TMainForm::ExitButtonClick() {
    close();
}

void TMainForm::AboutButtonClick() {
    auto about = std::make_unique<TAboutForm>(nullptr);
    about->ApplyLanguage(FLanguageId);
    about->exec();
}

void TMainForm::IdentifyMonitorsButtonClick() {
    ShowMonitorNumbers(5);
}
