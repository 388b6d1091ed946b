#include "tests/remote/FakeTarget.h"

#include "remote/WindowMatch.h"

Outcome FakeTarget::Record(const QString& call) {
    calls_.append(call);
    if (observer_) {
        observer_(call);
    }
    return Outcome::Done();
}

RemoteWindow* FakeTarget::Find(WindowHandle handle) {
    for (RemoteWindow& window : state_.windows) {
        if (window.handle == handle) {
            return &window;
        }
    }
    return nullptr;
}

Outcome FakeTarget::Clone(WindowHandle window, int display, bool naturalSize) {
    if (RemoteWindow* listed = Find(window)) {
        listed->clonedOn.append(display);
    }
    return Record(QStringLiteral("Clone %1 %2 %3")
                      .arg(FormatWindowId(window), QString::number(display),
                           naturalSize ? QStringLiteral("natural") : QStringLiteral("fit")));
}

Outcome FakeTarget::Release(WindowHandle window, int display) {
    if (RemoteWindow* listed = Find(window)) {
        listed->clonedOn.removeAll(display);
    }
    return Record(QStringLiteral("Release %1 %2").arg(FormatWindowId(window)).arg(display));
}

Outcome FakeTarget::Keep(WindowHandle window, int display, bool keep) {
    return Record(QStringLiteral("%1 %2 %3")
                      .arg(keep ? QStringLiteral("Keep") : QStringLiteral("Unkeep"),
                           FormatWindowId(window), QString::number(display)));
}

Outcome FakeTarget::Forget(int index) {
    return Record(QStringLiteral("Forget %1").arg(index));
}

Outcome FakeTarget::Identify() {
    Record(QStringLiteral("Identify"));
    return identifyFailure_.isEmpty() ? Outcome::Done() : Outcome::Failed(identifyFailure_);
}

void FakeTarget::Quit() {
    Record(QStringLiteral("Quit"));
}

Outcome FakeTarget::SetPointer(bool visible) {
    return Record(QStringLiteral("SetPointer ") +
                  (visible ? QStringLiteral("on") : QStringLiteral("off")));
}

RemoteState SampleDesktop() {
    RemoteState state;
    state.windows = {
        {0x1a00007, {}, QStringLiteral("xterm - bash")},
        {0x1c00003, {}, QStringLiteral("UXTerm")},
        {0x2400011, {1}, QStringLiteral("Editor: notes.txt")},
    };
    state.displays = {
        {1, QStringLiteral("DP-1"), QRect(0, 0, 1920, 1080)},
        {2, QStringLiteral("HDMI-1"), QRect(-1280, 200, 1280, 1024)},
    };
    return state;
}
