#include "remote/RemoteCommands.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <utility>

#include "remote/WindowMatch.h"

namespace {

constexpr std::array<std::pair<RemoteCommand, const char*>, 9> kNames = {{
    {RemoteCommand::List, "List"},
    {RemoteCommand::Clone, "Clone"},
    {RemoteCommand::Release, "Release"},
    {RemoteCommand::Identify, "Identify"},
    {RemoteCommand::Show, "Show"},
    {RemoteCommand::Hide, "Hide"},
    {RemoteCommand::Quit, "Quit"},
    {RemoteCommand::SetPointer, "SetPointer"},
    {RemoteCommand::Forget, "Forget"},
}};

QString OneLine(QString text) {
    for (QChar& c : text) {
        if (c == u'\t' || c == u'\n' || c == u'\r') {
            c = u' ';
        }
    }
    return text;
}

QString DisplayList(const QList<int>& numbers, const QList<int>& kept) {
    if (numbers.isEmpty()) {
        return QStringLiteral("-");
    }
    QStringList parts;
    for (const int number : numbers) {
        parts.append(QString::number(number) +
                     (kept.contains(number) ? QStringLiteral("k") : QString()));
    }
    return parts.join(u',');
}

QString Geometry(const QRect& rect) {
    const auto signedNumber = [](int value) {
        return (value < 0 ? QStringLiteral("-") : QStringLiteral("+")) +
               QString::number(qAbs(value));
    };
    return QStringLiteral("%1x%2").arg(rect.width()).arg(rect.height()) + signedNumber(rect.x()) +
           signedNumber(rect.y());
}

QString CropOrWhole(const QRect& crop) {
    return crop.isEmpty() ? QStringLiteral("-") : CropText(crop);
}

const RemoteWindow* FindWindow(WindowHandle handle, const QList<RemoteWindow>& windows) {
    for (const RemoteWindow& window : windows) {
        if (window.handle == handle) {
            return &window;
        }
    }
    return nullptr;
}

Outcome CloneOrRelease(RemoteTarget& target, const RemoteRequest& request) {
    // Before the target refreshes its list for nothing.
    if (const auto tooLong = CheckPatternLength(request.window)) {
        return Outcome::Failed(*tooLong);
    }
    const RemoteState state = target.State();
    const WindowMatch match = MatchWindow(request.window, state.windows);
    if (!match.handle) {
        return Outcome::Failed(match.error);
    }
    if (const auto problem = CheckDisplay(request.display, state.displays)) {
        return Outcome::Failed(*problem);
    }
    const bool cloned =
        FindWindow(*match.handle, state.windows)->clonedOn.contains(request.display);
    if (request.command == RemoteCommand::Clone) {
        // Refused before anything opens.
        if (const QString why = target.CannotShow(request.look); !why.isEmpty()) {
            return Outcome::Failed(why);
        }
        Outcome opened = cloned ? Outcome::Done()
                                : target.Clone(*match.handle, request.display, request.natural);
        if (opened.Succeeded() && !request.look.Empty()) {
            opened = target.SetLook(*match.handle, request.display, request.look);
        }
        return opened.Succeeded() && request.keep
                   ? target.Keep(*match.handle, request.display, true)
                   : opened;
    }
    return cloned ? target.Release(*match.handle, request.display) : Outcome::Done();
}

// The numbers of the displays where the window's clone is kept and shown.
QList<int> KeptOn(WindowHandle window, const QList<RemoteKept>& kept) {
    QList<int> numbers;
    for (const RemoteKept& each : kept) {
        if (each.window == window && each.display != 0) {
            numbers.append(each.display);
        }
    }
    return numbers;
}

Outcome Forget(RemoteTarget& target, const RemoteRequest& request) {
    const RemoteState state = target.State();
    const KeptMatch match = MatchKept(request.window, request.display, state);
    return match.index ? target.Forget(*match.index) : Outcome::Failed(match.error);
}

}  // namespace

QString ReadLook(const QString& mode, const QString& crop, const QString& turn, RemoteLook& look) {
    if (!mode.isEmpty()) {
        look.mode = ModeFromName(mode);
        if (!look.mode) {
            return QStringLiteral("--mode takes fit, natural, fill or stretch, not %1")
                .arg(QuoteValue(mode));
        }
    }
    if (!crop.isEmpty()) {
        look.crop = CropFromText(crop);
        if (!look.crop) {
            return QStringLiteral(
                       "--crop takes WIDTHxHEIGHT+X+Y in the window's pixels (for example "
                       "640x360+0+0), not %1")
                .arg(QuoteValue(crop));
        }
    }
    if (!turn.isEmpty()) {
        look.turn = TurnFromName(turn);
        if (!look.turn) {
            return QStringLiteral("--transform takes none, flip-x, flip-y, 90, 180 or 270, not %1")
                .arg(QuoteValue(turn));
        }
    }
    return {};
}

QString LookModeText(const RemoteLook& look) {
    return look.mode ? ModeName(*look.mode) : QString();
}

QString LookCropText(const RemoteLook& look) {
    return look.crop ? CropText(*look.crop) : QString();
}

QString LookTurnText(const RemoteLook& look) {
    return look.turn ? TurnName(*look.turn) : QString();
}

RemoteRequest MakeRequest(RemoteCommand command, const QString& window, int display) {
    RemoteRequest request;
    request.command = command;
    request.window = window;
    request.display = display;
    return request;
}

QString CommandName(RemoteCommand command) {
    for (const auto& [value, name] : kNames) {
        if (value == command) {
            return QString::fromLatin1(name);
        }
    }
    return {};
}

std::optional<RemoteCommand> CommandFromName(const QString& name) {
    for (const auto& [value, text] : kNames) {
        if (name == QLatin1String(text)) {
            return value;
        }
    }
    return std::nullopt;
}

Outcome Dispatch(RemoteTarget& target, const RemoteRequest& request) {
    if (const QString why = target.Refusal(); !why.isEmpty()) {
        return request.command == RemoteCommand::Show ? target.Show() : Outcome::Failed(why);
    }
    switch (request.command) {
        case RemoteCommand::List:
            return Outcome::Done(FormatListing(target.State()));
        case RemoteCommand::Clone:
        case RemoteCommand::Release:
            return CloneOrRelease(target, request);
        case RemoteCommand::Identify:
            return target.Identify();
        case RemoteCommand::Show:
            return target.Show();
        case RemoteCommand::Hide:
            return target.Hide();
        case RemoteCommand::SetPointer:
            return target.SetPointer(request.pointer);
        case RemoteCommand::Forget:
            return Forget(target, request);
        case RemoteCommand::Quit:
            break;
    }
    return Outcome::Done();
}

QString FormatListing(const RemoteState& state) {
    QString text;
    for (const RemoteWindow& window : state.windows) {
        text += QStringLiteral("window\t%1\t%2\t%3\n")
                    .arg(FormatWindowId(window.handle),
                         DisplayList(window.clonedOn, KeptOn(window.handle, state.kept)),
                         OneLine(window.title));
    }
    QList<RemoteDisplay> displays = state.displays;
    std::sort(displays.begin(), displays.end(),
              [](const RemoteDisplay& a, const RemoteDisplay& b) { return a.number < b.number; });
    for (const RemoteDisplay& display : displays) {
        text += QStringLiteral("display\t%1\t%2\t%3\n")
                    .arg(QString::number(display.number), OneLine(display.name),
                         Geometry(display.geometry));
    }
    for (const RemoteClone& clone : state.clones) {
        text += QStringLiteral("clone\t%1\t%2\t%3\t%4\t%5\n")
                    .arg(FormatWindowId(clone.window), QString::number(clone.display),
                         ModeName(clone.mode), CropOrWhole(clone.crop), TurnName(clone.turn));
    }
    for (const RemoteKept& kept : state.kept) {
        if (kept.window != 0 && kept.display != 0) {
            continue;  // shown now: marked on its window's line
        }
        const QString display =
            kept.display != 0 ? QString::number(kept.display) : OneLine(kept.displayName);
        text += QStringLiteral("kept\t%1\t%2\t%3\t%4\t%5\n")
                    .arg(display.isEmpty() ? QString::number(kept.keptNumber) : display,
                         OneLine(kept.title),
                         kept.natural ? QStringLiteral("natural") : ModeName(kept.mode),
                         CropOrWhole(kept.crop), TurnName(kept.turn));
    }
    return text;
}
