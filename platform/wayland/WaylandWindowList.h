// The window list on Wayland: the compositor's toplevels where it publishes them, followed
// by the windows the user chose in the portal's picker ("Window 1", "Window 2"...). Chosen
// windows keep their restore tokens in the state file and come back at the next start.
#pragma once

#include <QDBusConnection>

#include <map>
#include <memory>
#include <vector>

#include "platform/WindowList.h"
#include "platform/WindowPicker.h"
#include "platform/wayland/PortalSession.h"
#include "platform/wayland/RestoreTokenStore.h"
#include "platform/wayland/ToplevelList.h"

class PipeWireLoop;
class WindowSource;

class WaylandWindowList : public WindowPicker, public WindowList {
    Q_OBJECT
  public:
    // toplevels may be null (no compositor list).
    WaylandWindowList(PipeWireLoop& loop, QDBusConnection bus, RestoreTokenStore store,
                      std::unique_ptr<ToplevelList> toplevels);
    ~WaylandWindowList() override;

    std::vector<ListedWindow> Snapshot(WindowHandle applicationWindow) override;
    // What the compositor's list tells of a toplevel; nothing of a window chosen in the
    // picker, of which only the portal knows.
    WindowIdentity Identify(WindowHandle window) override;
    bool CanChoose() const override;
    void Choose() override;
    bool ClonesNeedScreen() const override { return true; }
    void UseRestoreToken(WindowHandle window, const QString& token) override;

    // Starts a session without a dialog for every window of the state file.
    void RestoreChosen();
    // The capture of a listed window: the chosen window's own, or for a toplevel of the
    // compositor's list a new one (the picker opens once, later ones use the row's token).
    // Null for an unknown handle.
    std::shared_ptr<WindowSource> SourceFor(WindowHandle window);
    bool HasToplevelList() const;

    static constexpr WindowHandle kFirstChosenHandle = 0x40000000;

  private:
    struct Chosen {
        int number = 0;
        QString token;
        std::shared_ptr<WindowSource> source;
        bool listed = false;
    };
    void StartChosen(int number, const QString& token);
    void OnChosenStarted(WindowHandle window, const QString& token);
    void OnChosenFailed(WindowHandle window, PortalFailure failure, const QString& message);
    void OnChosenEnded(WindowHandle window);
    std::shared_ptr<WindowSource> MakeSource(WindowHandle window);
    void Report(const QString& message);
    void SaveTokens() const;

    PipeWireLoop& loop_;
    QDBusConnection bus_;
    RestoreTokenStore store_;
    std::unique_ptr<ToplevelList> toplevels_;
    std::map<WindowHandle, Chosen> chosen_;
    std::map<WindowHandle, std::weak_ptr<WindowSource>> toplevelSources_;
    std::map<WindowHandle, QString> toplevelTokens_;
    std::shared_ptr<bool> releaseAtOnce_ = std::make_shared<bool>(false);
};
