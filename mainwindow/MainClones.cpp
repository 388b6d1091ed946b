// Clone toggling: the rows are the only record of which clones exist.
#include "mainwindow/MainUnit.h"

#include <algorithm>

void TMainForm::DisplayButtonClick(QToolButton* sender) {
    WindowRow* row = RowTag(sender);
    if (row == nullptr) {
        return;
    }
    const auto found = std::find(row->DisplayButtons.begin(), row->DisplayButtons.end(), sender);
    if (found == row->DisplayButtons.end()) {
        return;
    }
    const auto index = static_cast<std::size_t>(found - row->DisplayButtons.begin());
    QPointer<TCloneForm>& slot = row->Clones[index];
    // A slot holds a clone exactly while its button is down; the toolkit has already
    // switched the button when this runs.
    if (slot != nullptr) {
        TCloneForm* clone = slot;
        slot = nullptr;
        clone->CloseClone();
        delete clone;
    }
    if (sender->isChecked()) {
        auto* clone = new TCloneForm(this);
        slot = clone;
        clone->show();
        // Displays that have gone since the row was made are passed on as they are.
        clone->StartClone(row->Window, static_cast<int>(index));
    }
    UpdateTitleCursor(*row);
}

// The hand pointer on a title tells that its window has at least one clone.
void TMainForm::UpdateTitleCursor(WindowRow& row) {
    const bool cloned = std::any_of(row.Clones.begin(), row.Clones.end(),
                                    [](const QPointer<TCloneForm>& c) { return c != nullptr; });
    if (cloned) {
        row.TitleLabel->setCursor(Qt::PointingHandCursor);
    } else {
        row.TitleLabel->unsetCursor();
    }
}

// Brings the window's clones to the front in display order, so the last one ends up active.
void TMainForm::TitleLabelClick(QObject* sender) {
    WindowRow* row = RowTag(sender);
    if (row == nullptr) {
        return;
    }
    for (const QPointer<TCloneForm>& clone : row->Clones) {
        if (clone != nullptr) {
            clone->raise();
            clone->activateWindow();
        }
    }
}

// Every row goes with its clones; no clone outlives the main window.
void TMainForm::FormClose() {
    for (const auto& row : FRows) {
        DestroyRow(*row);
    }
    FRows.clear();
    FRowHost->resize(0, 0);
}
