#include "widgets/ProductIcon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

constexpr int kIconSizes[] = {16, 32, 48, 256};

QPixmap Render(QSvgRenderer& renderer, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return QPixmap::fromImage(image);
}

}  // namespace

QIcon ProductIcon() {
    QSvgRenderer renderer(QStringLiteral(":/vantrel/icons/vantrel.svg"));
    QIcon icon;
    if (!renderer.isValid()) {
        return icon;
    }
    for (const int size : kIconSizes) {
        icon.addPixmap(Render(renderer, size));
    }
    return icon;
}
