// The title label of a row: plain text (a window title is never markup) that reports a
// left click, so that the clones of its window can be brought to the front. The title starts
// at the label's left edge, next to the row's buttons, in every script; one too long for the
// label ends in an ellipsis and shows whole in the tool tip.
#pragma once

#include <QString>

#include "widgets/WideControls.h"

class RowTitleLabel : public WideLabel {
    Q_OBJECT
  public:
    explicit RowTitleLabel(QWidget* parent = nullptr);

    // The text as drawn in the label's current width.
    QString ShownText() const;
    // The tool tip as shown: the hint, after the whole title when the title is cut.
    QString ShownToolTip() const;

  signals:
    void Clicked();

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool pressed_ = false;
};
