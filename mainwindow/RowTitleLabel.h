// The title label of a row: plain text (a window title is never markup) that reports a
// left click, so that the clones of its window can be brought to the front.
#pragma once

#include "widgets/WideControls.h"

class TRowTitleLabel : public TWideLabel {
    Q_OBJECT
  public:
    explicit TRowTitleLabel(QWidget* parent = nullptr);

  signals:
    void Clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool pressed_ = false;
};
