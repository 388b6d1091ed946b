#include "mainwindow/TrayMenu.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

#include "widgets/ProductIcon.h"

namespace {

QAction* AddItem(QMenu* menu, const char* name, const QString& text) {
    QAction* item = menu->addAction(text);
    item->setObjectName(QString::fromLatin1(name));
    return item;
}

}  // namespace

TrayControls CreateTrayControls(QWidget* owner, const QString& title) {
    TrayControls tray;
    tray.menu = new QMenu(owner);
    tray.menu->setObjectName(QStringLiteral("TrayPopupMenu"));
    // The tray icon itself is named by its tool tip, the program's title.
    tray.menu->setAccessibleName(title);
    tray.openItem = AddItem(tray.menu, "OpenItem", QStringLiteral("Open Vantrel"));
    QFont bold = tray.openItem->font();
    bold.setBold(true);
    tray.openItem->setFont(bold);
    tray.menu->setDefaultAction(tray.openItem);
    tray.aboutItem = AddItem(tray.menu, "AboutItem", QStringLiteral("About..."));
    tray.menu->addSeparator();
    tray.exitItem = AddItem(tray.menu, "ExitItem", QStringLiteral("Exit"));

    tray.icon = new QSystemTrayIcon(ProductIcon(), owner);
    tray.icon->setObjectName(QStringLiteral("TrayIcon"));
    tray.icon->setToolTip(title);
    tray.icon->setContextMenu(tray.menu);
    return tray;
}
