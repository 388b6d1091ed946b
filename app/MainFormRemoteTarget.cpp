#include "app/MainFormRemoteTarget.h"

#include <QTimer>
#include <QToolButton>

#include <unordered_map>
#include <vector>

#include "mainwindow/MainForm.h"
#include "platform/Platform.h"

MainFormRemoteTarget::MainFormRemoteTarget(TMainForm& form, Platform& platform)
    : form_(form), platform_(platform) {}

RemoteState MainFormRemoteTarget::State() {
    // Scripts see the list as it is now, not as of the last idle turn, and whole titles: a
    // row shows its title cut short, a script matches and prints all of it.
    const std::vector<ListedWindow> snapshot = form_.RefreshWindowList();
    std::unordered_map<WindowHandle, const QString*> titles;
    titles.reserve(snapshot.size());
    for (const ListedWindow& listed : snapshot) {
        titles.try_emplace(listed.handle, &listed.title);
    }
    RemoteState state;
    for (const auto& row : form_.Rows()) {
        RemoteWindow window;
        window.handle = row->Window();
        const auto whole = titles.find(row->Window());
        window.title = whole != titles.end() ? *whole->second : row->TitleLabel()->text();
        const auto& buttons = row->DisplayButtons();
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            if (buttons[i]->isChecked()) {
                window.clonedOn.append(static_cast<int>(i) + 1);
            }
        }
        state.windows.append(window);
    }
    const std::vector<DisplayInfo> displays = platform_.Displays().Displays();
    for (std::size_t i = 0; i < displays.size(); ++i) {
        state.displays.append({static_cast<int>(i) + 1, displays[i].name, displays[i].rect});
    }
    return state;
}

WindowRowView* MainFormRemoteTarget::FindRow(std::uint64_t window) const {
    for (const auto& row : form_.Rows()) {
        if (row->Window() == window) {
            return row.get();
        }
    }
    return nullptr;
}

Outcome MainFormRemoteTarget::PressButton(std::uint64_t window, int display, bool down) {
    WindowRowView* row = FindRow(window);
    if (row == nullptr) {
        return Outcome::Failed(QStringLiteral("the window is no longer listed"));
    }
    const auto index = static_cast<std::size_t>(display - 1);
    if (display < 1 || index >= row->DisplayButtons().size()) {
        return Outcome::Failed(
            QStringLiteral("the window's row has no button for display %1").arg(display));
    }
    QToolButton* button = row->DisplayButtons()[index];
    if (button->isChecked() != down) {
        button->setChecked(down);
        row->DisplayButtonClick(index);
    }
    if (button->isChecked() != down) {
        return Outcome::Failed(QStringLiteral("the display button did not follow"));
    }
    return Outcome::Done();
}

Outcome MainFormRemoteTarget::Clone(std::uint64_t window, int display, bool naturalSize) {
    Outcome outcome = PressButton(window, display, true);
    if (outcome.Succeeded() && naturalSize) {
        if (TCloneForm* clone = FindRow(window)->Clone(static_cast<std::size_t>(display - 1))) {
            clone->SetFitToWindow(false);
        }
    }
    return outcome;
}

Outcome MainFormRemoteTarget::Release(std::uint64_t window, int display) {
    return PressButton(window, display, false);
}

Outcome MainFormRemoteTarget::Identify() {
    // The overlays wait five seconds in a local loop; the caller has its answer first.
    QTimer::singleShot(0, &form_, [form = &form_] { form->IdentifyMonitorsButtonClick(); });
    return Outcome::Done();
}

Outcome MainFormRemoteTarget::Show() {
    form_.TrayIconClick();
    form_.setWindowState(form_.windowState() & ~Qt::WindowMinimized);
    form_.show();
    form_.raise();
    form_.activateWindow();
    return Outcome::Done();
}

Outcome MainFormRemoteTarget::Hide() {
    form_.HideButtonClick();
    return Outcome::Done();
}

void MainFormRemoteTarget::Quit() {
    form_.ExitButtonClick();
}

Outcome MainFormRemoteTarget::SetPointer(bool visible) {
    Compositor& compositor = platform_.Compositor();
    if (!compositor.CanShowPointer()) {
        return Outcome::Failed(QStringLiteral("the pointer cannot be shown on clones here"));
    }
    // The compositor keeps the choice for the clones open now and those opened later.
    compositor.SetPointerShown(visible);
    return Outcome::Done();
}
