#include "remote/WindowMatch.h"

#include <QRegularExpression>
#include <QStringList>

#include <limits>

namespace {

// An id too large for a window handle names no window: the text is then only a pattern.
std::optional<WindowHandle> ParseWindowId(const QString& text) {
    bool ok = false;
    qulonglong value = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        value = text.mid(2).toULongLong(&ok, 16);
    } else if (!text.isEmpty() && text.front().isDigit()) {
        value = text.toULongLong(&ok, 10);
    }
    if (!ok || value > std::numeric_limits<WindowHandle>::max()) {
        return std::nullopt;
    }
    return static_cast<WindowHandle>(value);
}

const RemoteWindow* FindById(WindowHandle id, const QList<RemoteWindow>& windows) {
    for (const RemoteWindow& window : windows) {
        if (window.handle == id) {
            return &window;
        }
    }
    return nullptr;
}

QString ListMatches(const QString& pattern, const QList<const RemoteWindow*>& matches) {
    QString text = QStringLiteral(
                       "%1 matches %2 windows; give an id from --list or a "
                       "narrower pattern:")
                       .arg(QuoteValue(pattern), QString::number(matches.size()));
    for (const RemoteWindow* window : matches) {
        text += QStringLiteral("\n  %1\t%2").arg(FormatWindowId(window->handle), window->title);
    }
    return text;
}

}  // namespace

std::optional<QString> CheckPatternLength(const QString& pattern) {
    if (pattern.size() <= kMaxPatternLength) {
        return std::nullopt;
    }
    return QStringLiteral("WINDOW is too long: %1 characters, at most %2 are taken")
        .arg(QString::number(pattern.size()), QString::number(kMaxPatternLength));
}

QString QuoteValue(const QString& value) {
    if (value.size() <= kQuotedLength) {
        return u'"' + value + u'"';
    }
    // A surrogate pair is not cut in half.
    const qsizetype kept =
        value[kQuotedLength - 1].isHighSurrogate() ? kQuotedLength - 1 : kQuotedLength;
    return QStringLiteral("\"%1\"... (%2 characters)")
        .arg(value.left(kept), QString::number(value.size()));
}

QString FormatWindowId(WindowHandle handle) {
    return QStringLiteral("0x") + QString::number(handle, 16);
}

WindowMatch MatchWindow(const QString& pattern, const QList<RemoteWindow>& windows) {
    if (const auto tooLong = CheckPatternLength(pattern)) {
        return {std::nullopt, *tooLong};
    }
    if (const auto id = ParseWindowId(pattern)) {
        if (FindById(*id, windows) != nullptr) {
            return {*id, {}};
        }
    }
    const QRegularExpression expression(pattern);
    if (!expression.isValid()) {
        return {std::nullopt, QStringLiteral("%1 is neither a window id nor a valid regular "
                                             "expression: %2")
                                  .arg(QuoteValue(pattern), expression.errorString())};
    }
    QList<const RemoteWindow*> matches;
    for (const RemoteWindow& window : windows) {
        if (expression.match(window.title).hasMatch()) {
            matches.append(&window);
        }
    }
    if (matches.isEmpty()) {
        return {
            std::nullopt,
            QStringLiteral("no window has the id or a title matching %1").arg(QuoteValue(pattern))};
    }
    if (matches.size() > 1) {
        return {std::nullopt, ListMatches(pattern, matches)};
    }
    return {matches.front()->handle, {}};
}

KeptMatch MatchKept(const QString& pattern, int display, const RemoteState& state) {
    const auto id = ParseWindowId(pattern);
    const QRegularExpression expression(pattern);
    QList<const RemoteKept*> matches;
    for (const RemoteKept& kept : state.kept) {
        const bool onDisplay =
            kept.display == display || (kept.display == 0 && kept.keptNumber == display);
        const RemoteWindow* shown = FindById(kept.window, state.windows);
        const bool named = (id && kept.window != 0 && kept.window == *id) ||
                           (expression.isValid() &&
                            (expression.match(kept.title).hasMatch() ||
                             (shown != nullptr && expression.match(shown->title).hasMatch())));
        if (onDisplay && named) {
            matches.append(&kept);
        }
    }
    if (matches.size() == 1) {
        return {matches.front()->index, {}};
    }
    if (!expression.isValid() && !id) {
        return {std::nullopt, QStringLiteral("\"%1\" is neither a window id nor a valid regular "
                                             "expression: %2")
                                  .arg(pattern, expression.errorString())};
    }
    if (matches.isEmpty()) {
        return {std::nullopt,
                QStringLiteral("no clone kept on display %1 is of a window matching \"%2\"")
                    .arg(QString::number(display), pattern)};
    }
    QString text =
        QStringLiteral("\"%1\" matches %2 clones kept on display %3; give a narrower pattern:")
            .arg(pattern, QString::number(matches.size()), QString::number(display));
    for (const RemoteKept* kept : matches) {
        text += QStringLiteral("\n  %1").arg(kept->title);
    }
    return {std::nullopt, text};
}

std::optional<QString> CheckDisplay(int number, const QList<RemoteDisplay>& displays) {
    for (const RemoteDisplay& display : displays) {
        if (display.number == number) {
            return std::nullopt;
        }
    }
    if (displays.isEmpty()) {
        return QStringLiteral("there is no display %1: no display is known").arg(number);
    }
    QStringList numbers;
    for (const RemoteDisplay& display : displays) {
        numbers.append(QString::number(display.number));
    }
    return QStringLiteral("there is no display %1 (the displays are %2)")
        .arg(QString::number(number), numbers.join(QStringLiteral(", ")));
}
