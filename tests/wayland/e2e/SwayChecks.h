// What the end-to-end tests read from sway and from grim's screenshots: where a window is
// in sway's tree, and whether a screenshot shows the test pattern in an area.
#pragma once

#include <QColor>
#include <QImage>
#include <QJsonObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>
#include <vector>

// The output a window named title is on, and whether it is full screen there.
struct TreePlace {
    QString output;
    bool fullScreen = false;
};

std::optional<TreePlace> FindInTree(const QJsonObject& node, const QString& title,
                                    const QString& output = {});

// Every window named title, in tree order.
std::vector<TreePlace> FindAllInTree(const QJsonObject& node, const QString& title,
                                     const QString& output = {});

// Channels within 8 of each other.
bool Near(const QColor& a, const QColor& b);

// Whether the screenshot shows the pattern in area, black elsewhere at the probes.
bool ShowsPattern(const QImage& shot, const QRect& area, const std::vector<QPoint>& blackProbes);
// Whether the pattern fills exactly area: each quadrant's colour just inside its corner of
// area, black just outside area's edges (where they are on the screenshot).
bool FillsArea(const QImage& shot, const QRect& area);
