#include "app/MainFormRemoteTarget.h"

#include <QTimer>

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "clone/CloneForm.h"
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
    const CloneSet& clones = form_.Clones();
    for (const auto& row : form_.Rows()) {
        RemoteWindow window;
        window.handle = row->Window();
        const auto whole = titles.find(row->Window());
        window.title = whole != titles.end() ? *whole->second : row->TitleLabel()->text();
        for (const std::size_t display : clones.DisplaysOf(row->Window())) {
            window.clonedOn.append(static_cast<int>(display) + 1);
        }
        state.windows.append(window);
    }
    const std::vector<DisplayInfo> displays = platform_.Displays().Displays();
    for (std::size_t i = 0; i < displays.size(); ++i) {
        state.displays.append({static_cast<int>(i) + 1, displays[i].name, displays[i].rect});
    }
    for (std::size_t i = 0; i < clones.Kept().size(); ++i) {
        const KeptClone& kept = clones.Kept()[i];
        const auto display = clones.DisplayOf(kept);
        state.kept.append(
            {static_cast<int>(i), kept.shownWindow, display ? static_cast<int>(*display) + 1 : 0,
             static_cast<int>(kept.displayNumber) + 1, kept.displayName, kept.window.title,
             kept.mode == CloneMode::Natural, kept.mode, kept.crop.rect, kept.turn});
    }
    for (const CloneEntry& clone : clones.Clones()) {
        state.clones.append({clone.window, static_cast<int>(clone.display) + 1, clone.mode,
                             clone.crop.rect, clone.turn});
    }
    return state;
}

Outcome MainFormRemoteTarget::Keep(WindowHandle window, int display, bool keep) {
    if (display < 1 || !form_.Clones().Keep(window, static_cast<std::size_t>(display - 1), keep)) {
        return Outcome::Failed(
            QStringLiteral("no clone of the window is open on display %1").arg(display));
    }
    return Outcome::Done();
}

Outcome MainFormRemoteTarget::Forget(int index) {
    if (index < 0 || !form_.Clones().Forget(static_cast<std::size_t>(index))) {
        return Outcome::Failed(QStringLiteral("that clone is no longer kept"));
    }
    return Outcome::Done();
}

QString MainFormRemoteTarget::CannotShow(const RemoteLook& look) {
    Compositor& compositor = platform_.Compositor();
    if (look.crop && !compositor.CanCrop()) {
        return compositor.CannotCropReason();
    }
    if (look.turn && *look.turn != ImageTurn::None && !compositor.CanTransform()) {
        return compositor.CannotTransformReason();
    }
    return {};
}

Outcome MainFormRemoteTarget::SetLook(WindowHandle window, int display, const RemoteLook& look) {
    CloneSet& clones = form_.Clones();
    const auto at = static_cast<std::size_t>(display - 1);
    if (display < 1 || clones.Find(window, at) == nullptr) {
        return Outcome::Failed(
            QStringLiteral("no clone of the window is open on display %1").arg(display));
    }
    if (look.crop) {
        const TCloneForm* clone = form_.CloneWindow(window, at);
        const std::optional<QSize> size = clone != nullptr ? clone->SourceSize() : std::nullopt;
        if (!size) {
            return Outcome::Failed(QStringLiteral("the window's size cannot be read to crop it"));
        }
        if (!QRect(QPoint(0, 0), *size).contains(*look.crop)) {
            return Outcome::Failed(QStringLiteral("the crop %1 is not inside the window (%2x%3)")
                                       .arg(CropText(*look.crop))
                                       .arg(size->width())
                                       .arg(size->height()));
        }
        clones.SetCrop(window, at, {*look.crop, *size});
    }
    if (look.mode) {
        clones.SetMode(window, at, *look.mode);
    }
    if (look.turn) {
        clones.SetTurn(window, at, *look.turn);
    }
    return Outcome::Done();
}

QString MainFormRemoteTarget::Unclonable(WindowHandle window, int display) const {
    const auto& rows = form_.Rows();
    if (std::none_of(rows.begin(), rows.end(),
                     [window](const auto& row) { return row->Window() == window; })) {
        return QStringLiteral("the window is no longer listed");
    }
    if (display < 1 || display > platform_.Displays().Count()) {
        return QStringLiteral("there is no display %1 now").arg(display);
    }
    return {};
}

Outcome MainFormRemoteTarget::Clone(WindowHandle window, int display, bool naturalSize) {
    if (const QString why = Unclonable(window, display); !why.isEmpty()) {
        return Outcome::Failed(why);
    }
    const CloneMode mode = naturalSize ? CloneMode::Natural : CloneMode::Fit;
    if (!form_.Clones().Open(window, static_cast<std::size_t>(display - 1), mode)) {
        return Outcome::Failed(
            QStringLiteral("display %1 has no area to show a clone").arg(display));
    }
    return Outcome::Done();
}

Outcome MainFormRemoteTarget::Release(WindowHandle window, int display) {
    if (display >= 1) {
        form_.Clones().Close(window, static_cast<std::size_t>(display - 1));
    }
    return Outcome::Done();
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
