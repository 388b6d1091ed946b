#include "tests/wayland/e2e/SwayChecks.h"

#include <QJsonArray>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "tests/wayland/support/TestPattern.h"

std::optional<TreePlace> FindInTree(const QJsonObject& node, const QString& title,
                                    const QString& output) {
    const QString here = node.value(QStringLiteral("type")).toString() == QLatin1String("output")
                             ? node.value(QStringLiteral("name")).toString()
                             : output;
    if (node.value(QStringLiteral("name")).toString() == title &&
        node.value(QStringLiteral("type")).toString() == QLatin1String("con")) {
        return TreePlace{here, node.value(QStringLiteral("fullscreen_mode")).toInt() == 1};
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node.value(QLatin1String(children)).toArray()) {
            if (auto found = FindInTree(child.toObject(), title, here)) {
                return found;
            }
        }
    }
    return std::nullopt;
}

std::vector<TreePlace> FindAllInTree(const QJsonObject& node, const QString& title,
                                     const QString& output) {
    const QString here = node.value(QStringLiteral("type")).toString() == QLatin1String("output")
                             ? node.value(QStringLiteral("name")).toString()
                             : output;
    std::vector<TreePlace> found;
    if (node.value(QStringLiteral("name")).toString() == title &&
        node.value(QStringLiteral("type")).toString() == QLatin1String("con")) {
        found.push_back({here, node.value(QStringLiteral("fullscreen_mode")).toInt() == 1});
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue& child : node.value(QLatin1String(children)).toArray()) {
            const std::vector<TreePlace> below = FindAllInTree(child.toObject(), title, here);
            found.insert(found.end(), below.begin(), below.end());
        }
    }
    return found;
}

bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
           std::abs(a.blue() - b.blue()) <= 8;
}

// Whether the screenshot shows the pattern in area, black elsewhere at the probes.
bool ShowsPattern(const QImage& shot, const QRect& area, const std::vector<QPoint>& blackProbes) {
    if (shot.isNull()) {
        return false;
    }
    for (const auto& [fx, fy] : {std::pair{0.25, 0.25}, {0.75, 0.25}, {0.25, 0.75}, {0.75, 0.75}}) {
        const QPoint at(area.x() + static_cast<int>(fx * area.width()),
                        area.y() + static_cast<int>(fy * area.height()));
        if (!Near(shot.pixelColor(at), PatternColorAt(fx, fy))) {
            return false;
        }
    }
    return std::all_of(blackProbes.begin(), blackProbes.end(),
                       [&shot](QPoint at) { return Near(shot.pixelColor(at), Qt::black); });
}

bool FillsArea(const QImage& shot, const QRect& area) {
    constexpr int kMargin = 6;  // past the scaled edge's blend
    if (shot.isNull()) {
        return false;
    }
    const QRect inner = area.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const QRect outer = area.adjusted(-kMargin, -kMargin, kMargin, kMargin);
    for (const auto& [corner, colour] : {std::pair{inner.topLeft(), kPatternTopLeft},
                                         {inner.topRight(), kPatternTopRight},
                                         {inner.bottomLeft(), kPatternBottomLeft},
                                         {inner.bottomRight(), kPatternBottomRight}}) {
        if (!Near(shot.pixelColor(corner), colour)) {
            return false;
        }
    }
    const QPoint centre = area.center();
    const std::vector<QPoint> beside{{outer.left(), centre.y()},
                                     {outer.right(), centre.y()},
                                     {centre.x(), outer.top()},
                                     {centre.x(), outer.bottom()}};
    return std::all_of(beside.begin(), beside.end(), [&shot](QPoint at) {
        return !shot.rect().contains(at) || Near(shot.pixelColor(at), Qt::black);
    });
}
