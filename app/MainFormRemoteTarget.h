// The running copy's answers to scripts: each command becomes what the user would do in the
// main window, so its buttons always show what a command did.
#pragma once

#include "remote/RemoteTarget.h"

class Platform;
class TMainForm;
class WindowRowView;

class MainFormRemoteTarget final : public RemoteTarget {
  public:
    // Both must outlive the target.
    MainFormRemoteTarget(TMainForm& form, Platform& platform);

    RemoteState State() override;
    Outcome Clone(std::uint64_t window, int display, bool naturalSize) override;
    Outcome Release(std::uint64_t window, int display) override;
    Outcome Identify() override;
    Outcome Show() override;
    Outcome Hide() override;
    void Quit() override;
    Outcome SetPointer(bool visible) override;

  private:
    WindowRowView* FindRow(std::uint64_t window) const;
    // Sets display button `display` (from 1) of the window's row as a click would.
    Outcome PressButton(std::uint64_t window, int display, bool down);

    TMainForm& form_;
    Platform& platform_;
};
