// A running copy's stand-in for the scripting tests: a fixed desktop, and a record of what
// was asked of it, one line per call ("Clone 0x2a 2 natural", "Show", "SetPointer off").
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

#include "remote/RemoteTarget.h"

class FakeTarget : public RemoteTarget {
  public:
    explicit FakeTarget(RemoteState state) : state_(std::move(state)) {}

    RemoteState State() override { return state_; }
    Outcome Clone(WindowHandle window, int display, bool naturalSize) override;
    Outcome Release(WindowHandle window, int display) override;
    Outcome Keep(WindowHandle window, int display, bool keep) override;
    Outcome Forget(int index) override;
    Outcome Identify() override;
    Outcome Show() override { return Record(QStringLiteral("Show")); }
    Outcome Hide() override { return Record(QStringLiteral("Hide")); }
    void Quit() override;
    Outcome SetPointer(bool visible) override;

    const QStringList& Calls() const { return calls_; }
    // Identify fails with this message from now on.
    void FailIdentify(const QString& why) { identifyFailure_ = why; }
    // Called after every recorded call, with its line.
    void OnCall(std::function<void(const QString&)> observer) { observer_ = std::move(observer); }

  private:
    Outcome Record(const QString& call);
    RemoteWindow* Find(WindowHandle handle);

    RemoteState state_;
    QStringList calls_;
    QString identifyFailure_;
    std::function<void(const QString&)> observer_;
};

// A desktop of three windows (two of them with "erm" in the title, one with a clone on
// display 1) and two displays, the second left of the first.
RemoteState SampleDesktop();
