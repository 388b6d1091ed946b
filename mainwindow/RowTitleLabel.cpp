#include "mainwindow/RowTitleLabel.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace {

// Absolute: a right-to-left title starts at the left edge as well, next to the buttons.
constexpr int kTitleAlignment = Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignTop;

// Tool tips guess whether a text is markup; escaping and wrapping it keeps a title literal.
QString LiteralToolTipLine(const QString& text) {
    return QStringLiteral("<span style=\"white-space:pre\">%1</span>").arg(text.toHtmlEscaped());
}

}  // namespace

RowTitleLabel::RowTitleLabel(QWidget* parent) : WideLabel(parent) {}

QString RowTitleLabel::ShownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

QString RowTitleLabel::ShownToolTip() const {
    if (ShownText() == text()) {
        return toolTip();
    }
    QString tip = LiteralToolTipLine(text());
    if (!toolTip().isEmpty()) {
        tip += QStringLiteral("<br>") + LiteralToolTipLine(toolTip());
    }
    return tip;
}

bool RowTitleLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = ShownToolTip();
        if (tip.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), tip, this);
        }
        return true;
    }
    return WideLabel::event(event);
}

void RowTitleLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), kTitleAlignment, palette(), isEnabled(),
                          ShownText(), foregroundRole());
}

void RowTitleLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

// A click is a left press and release on the label, as with a button.
void RowTitleLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click) {
        emit Clicked();
    }
}
