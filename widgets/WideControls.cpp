#include "widgets/WideControls.h"

TWideLabel::TWideLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

TWideLabel::TWideLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setText(text);
}
