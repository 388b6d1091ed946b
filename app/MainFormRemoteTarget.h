// The running copy's answers to scripts: each command goes through the same clone set as
// the main window's buttons, so they always show what a command did.
#pragma once

#include "remote/RemoteTarget.h"

class Platform;
class TMainForm;

class MainFormRemoteTarget final : public RemoteTarget {
  public:
    // Both must outlive the target.
    MainFormRemoteTarget(TMainForm& form, Platform& platform);

    RemoteState State() override;
    Outcome Clone(WindowHandle window, int display, bool naturalSize) override;
    Outcome Release(WindowHandle window, int display) override;
    Outcome Keep(WindowHandle window, int display, bool keep) override;
    Outcome Forget(int index) override;
    Outcome Identify() override;
    Outcome Show() override;
    Outcome Hide() override;
    void Quit() override;
    Outcome SetPointer(bool visible) override;
    QString CannotShow(const RemoteLook& look) override;
    Outcome SetLook(WindowHandle window, int display, const RemoteLook& look) override;

  private:
    // Why the window or display (from 1) cannot have a clone now; empty when it can.
    QString Unclonable(WindowHandle window, int display) const;

    TMainForm& form_;
    Platform& platform_;
};
