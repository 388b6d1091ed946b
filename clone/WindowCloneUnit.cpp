// Placeholder until the clone window lands.
#include "clone/WindowCloneUnit.h"

void FitThumbnailSize(int, int, int clientWidth, int clientHeight, int& width, int& height) {
    width = clientWidth;
    height = clientHeight;
}

TCloneForm::TCloneForm(QWidget* owner) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    if (owner != nullptr) {
        connect(owner, &QObject::destroyed, this, [this] { delete this; });
    }
}

TCloneForm::~TCloneForm() = default;

void TCloneForm::StartClone(WindowHandle sourceWindow, int) {
    FSourceWindow = sourceWindow;
    FFitToWindow = true;
}

void TCloneForm::CloseClone() {
    FAllowClose = true;
    close();
}
