#include "widgets/ProductIcon.h"

#include <QPixmap>
#include <QString>

#if !defined(VANTREL_ICON_FROM_PNG)
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#endif

namespace {

constexpr int kIconSizes[] = {16, 32, 48, 256};

#if !defined(VANTREL_ICON_FROM_PNG)
QPixmap Render(QSvgRenderer& renderer, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return QPixmap::fromImage(image);
}
#endif

}  // namespace

#if defined(VANTREL_ICON_FROM_PNG)

// A build without Qt Svg carries the renderings the build host made from the SVG.
QIcon ProductIcon() {
    QIcon icon;
    for (const int size : kIconSizes) {
        const QPixmap pixmap(QStringLiteral(":/vantrel/icons/vantrel-%1.png").arg(size));
        if (!pixmap.isNull()) {
            icon.addPixmap(pixmap);
        }
    }
    return icon;
}

#else

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

#endif
