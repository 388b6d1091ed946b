// The displays (monitors) in the program's numbering: index 0 is display 1.
#pragma once

#include <QObject>
#include <QRect>
#include <QString>

#include <vector>

struct DisplayInfo {
    QRect rect;    // device pixels of the virtual screen
    QString name;  // stable where the platform has one (RandR monitor or output, device name)
    friend bool operator==(const DisplayInfo&, const DisplayInfo&) = default;
};

class DisplayList : public QObject {
    Q_OBJECT
  public:
    ~DisplayList() override = default;
    // The current displays, primary first; never cached beyond what the platform reports.
    virtual std::vector<DisplayInfo> Displays() = 0;
    int Count() { return static_cast<int>(Displays().size()); }

  signals:
    // The set, order or geometry of the displays changed.
    void Changed();
};
