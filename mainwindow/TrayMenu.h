// The main window's tray icon and its menu: Open (the default item), About, Exit.
#pragma once

#include <QString>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

struct TrayControls {
    QSystemTrayIcon* icon = nullptr;
    QMenu* menu = nullptr;
    QAction* openItem = nullptr;
    QAction* aboutItem = nullptr;
    QAction* exitItem = nullptr;
};

// Made on owner, hidden, with title as the icon's tooltip; the owner connects the items.
TrayControls CreateTrayControls(QWidget* owner, const QString& title);
