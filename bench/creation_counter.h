// Counts the widgets created inside a host widget (the main window's list) while it is
// installed, for the refresh benchmarks.
#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

class CreationCounter : public QObject {
  public:
    explicit CreationCounter(QWidget* host) : host_(host) { host_->installEventFilter(this); }
    ~CreationCounter() override { host_->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ChildAdded) {
            ++created;
        }
        return false;
    }
    long created = 0;

  private:
    QWidget* host_;
};
