#include "mainwindow/WindowPickerHookup.h"

#include <QMessageBox>

#include "mainwindow/MainForm.h"
#include "platform/Platform.h"
#include "platform/WindowPicker.h"

WindowPicker* FindWindowPicker(Platform& platform) {
    auto* provider = dynamic_cast<WindowPickerProvider*>(&platform);
    return provider != nullptr ? &provider->Picker() : nullptr;
}

bool ClonesNeedScreen(Platform& platform) {
    const WindowPicker* picker = FindWindowPicker(platform);
    return picker != nullptr && picker->ClonesNeedScreen();
}

void ConnectWindowPicker(TMainForm& form, WindowPicker& picker) {
    QObject::connect(&picker, &WindowPicker::SourceResized, &form, [&form](WindowHandle window) {
        for (const auto& row : form.Rows()) {
            if (row->Window() != window) {
                continue;
            }
            for (std::size_t i = 0; i < row->DisplayButtons().size(); ++i) {
                if (TCloneForm* clone = row->Clone(i)) {
                    clone->RefitThumbnail();
                }
            }
        }
    });
    QObject::connect(&picker, &WindowPicker::ChoiceFailed, &form, [&form](const QString& message) {
        auto* box = new QMessageBox(QMessageBox::Warning, form.windowTitle(), message,
                                    QMessageBox::Ok, &form);
        box->setObjectName(QStringLiteral("ChoiceFailedMessage"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    });
}
