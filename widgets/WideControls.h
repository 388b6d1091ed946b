// The translatable kinds of control: buttons, labels and group boxes whose caption and
// hint the catalog may replace. Every other widget is left alone by form translation.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

class WideButton : public QPushButton {
    Q_OBJECT
  public:
    using QPushButton::QPushButton;
};

// Labels always show their text literally: no rich text, no markup from window titles.
class WideLabel : public QLabel {
    Q_OBJECT
  public:
    explicit WideLabel(QWidget* parent = nullptr);
    explicit WideLabel(const QString& text, QWidget* parent = nullptr);
};

class WideGroupBox : public QGroupBox {
    Q_OBJECT
  public:
    using QGroupBox::QGroupBox;
};

// Marks a top-level window whose own caption and hint the catalog may replace.
class WideTextForm {
  public:
    virtual ~WideTextForm() = default;
};
