// The answers of a copy that could not start here (no composition) while its message says
// why: every command fails with that message, so a script or a shortcut learns the reason at
// once instead of waiting for a copy that never answers.
#pragma once

#include <QString>

#include "remote/RemoteTarget.h"

class QMessageBox;

class RefusalRemoteTarget final : public RemoteTarget {
  public:
    // box must outlive the target.
    RefusalRemoteTarget(QMessageBox& box, QString reason);

    QString Refusal() override { return reason_; }
    RemoteState State() override { return {}; }
    Outcome Clone(WindowHandle window, int display, bool naturalSize) override;
    Outcome Release(WindowHandle window, int display) override;
    Outcome Identify() override { return Outcome::Failed(reason_); }
    // Brings the message to the front; the command still fails with the reason.
    Outcome Show() override;
    Outcome Hide() override { return Outcome::Failed(reason_); }
    // Closes the message, which ends the copy.
    void Quit() override;
    Outcome SetPointer(bool visible) override;

  private:
    QMessageBox& box_;
    QString reason_;
};
