// The compositor's list of toplevel windows where it publishes one
// (zwlr_foreign_toplevel_manager_v1: sway, labwc, river, Hyprland, wayfire). A connection
// of its own to the compositor, read on the Qt event loop; the list follows the desktop live.
#pragma once

#include <QObject>
#include <QSet>
#include <QString>

#include <memory>
#include <vector>

#include "platform/WindowList.h"

struct wl_display;
class QSocketNotifier;

class ToplevelList : public QObject {
    Q_OBJECT
  public:
    // Connects to the compositor that WAYLAND_DISPLAY names. Windows whose app id is in
    // ownAppIds (the program's own windows) are left out.
    explicit ToplevelList(QSet<QString> ownAppIds);
    ~ToplevelList() override;
    ToplevelList(const ToplevelList&) = delete;
    ToplevelList& operator=(const ToplevelList&) = delete;

    // Whether the compositor publishes its window list.
    bool Available() const { return manager_ != nullptr; }
    // The windows in the order they opened, with a title; their handles stay the same
    // while the window lives and are never reused in this run.
    std::vector<ListedWindow> Windows() const;
    // The app id (as the window class) and the title of a listed window; nothing for one
    // that has gone.
    WindowIdentity Identify(WindowHandle window) const;
    // The app ids a Qt program's own toplevels carry (desktop file name, executable name).
    static QSet<QString> OwnAppIds();

    // The protocol listeners; they live in the implementation file.
    struct Entry;
    struct Callbacks;

  signals:
    void Changed();

  private:
    void Dispatch();
    void Disconnect();

    wl_display* display_ = nullptr;
    struct wl_registry* registry_ = nullptr;
    struct zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    std::vector<std::unique_ptr<Entry>> entries_;
    QSet<QString> ownAppIds_;
    WindowHandle nextHandle_ = 1;
    std::unique_ptr<QSocketNotifier> notifier_;
};
