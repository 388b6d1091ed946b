#include "widgets/WideControls.h"

WideLabel::WideLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

WideLabel::WideLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setText(text);
}
