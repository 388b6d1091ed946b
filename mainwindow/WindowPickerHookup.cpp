#include "mainwindow/WindowPickerHookup.h"

#include <QMessageBox>

#include <algorithm>

#include "mainwindow/MainForm.h"
#include "platform/Platform.h"
#include "platform/WindowPicker.h"

namespace {

constexpr int kChooseWindowButtonGap = 6;
constexpr int kChooseWindowButtonWidth = 122;
const QString kChoiceFailedName = QStringLiteral("ChoiceFailedMessage");

QMessageBox* OpenChoiceFailedMessage(TMainForm& form) {
    for (auto* box :
         form.findChildren<QMessageBox*>(kChoiceFailedName, Qt::FindDirectChildrenOnly)) {
        if (box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

void BringToFront(QMessageBox& box) {
    box.raise();
    box.activateWindow();
}

}  // namespace

WindowPicker* FindWindowPicker(Platform& platform) {
    auto* provider = dynamic_cast<WindowPickerProvider*>(&platform);
    return provider != nullptr ? &provider->Picker() : nullptr;
}

bool ClonesNeedScreen(Platform& platform) {
    const WindowPicker* picker = FindWindowPicker(platform);
    return picker != nullptr && picker->ClonesNeedScreen();
}

void ConnectWindowPicker(TMainForm& form, WindowPicker& picker) {
    // Kept clones save the token of their window's capture and give it back when they open.
    QObject::connect(&picker, &WindowPicker::RestoreTokenChanged, &form.Clones(),
                     &CloneSet::SetRestoreToken);
    QObject::connect(&form.Clones(), &CloneSet::RestoreTokenWanted, &picker,
                     &WindowPicker::UseRestoreToken);
    QObject::connect(&picker, &WindowPicker::ChoiceFailed, &form, [&form](const QString& message) {
        if (QMessageBox* open = OpenChoiceFailedMessage(form)) {
            open->setText(message);
            BringToFront(*open);
            return;
        }
        auto* box = new QMessageBox(QMessageBox::Warning, form.windowTitle(), message,
                                    QMessageBox::Ok, &form);
        box->setObjectName(kChoiceFailedName);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    });
}

bool RaiseChoiceFailedMessage(TMainForm& form) {
    QMessageBox* open = OpenChoiceFailedMessage(form);
    if (open == nullptr) {
        return false;
    }
    BringToFront(*open);
    return true;
}

void PlaceChooseWindowButton(QWidget& button, const QWidget& hideButton) {
    const QRect hide = hideButton.geometry();
    const int width = std::max(kChooseWindowButtonWidth, button.sizeHint().width());
    const QRect bounds(hide.right() + 1 + kChooseWindowButtonGap, hide.top(), width, hide.height());
    if (button.geometry() != bounds) {
        button.setGeometry(bounds);
    }
}
