#include "remote/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <algorithm>
#include <array>
#include <optional>

#include "remote/WindowMatch.h"

namespace {

struct Options {
    QCommandLineOption list{QStringLiteral("list"),
                            QStringLiteral("Print the windows and the displays, one a line, "
                                           "tab-separated.")};
    QCommandLineOption clone{QStringLiteral("clone"),
                             QStringLiteral("Clone WINDOW (an id from --list, or a regular "
                                            "expression matching one title) onto --display."),
                             QStringLiteral("WINDOW")};
    QCommandLineOption release{QStringLiteral("release"),
                               QStringLiteral("Close WINDOW's clone on --display."),
                               QStringLiteral("WINDOW")};
    QCommandLineOption display{QStringLiteral("display"),
                               QStringLiteral("The display's number, as on the buttons."),
                               QStringLiteral("N")};
    QCommandLineOption natural{QStringLiteral("natural"),
                               QStringLiteral("With --clone: natural size instead of fit.")};
    QCommandLineOption mode{QStringLiteral("mode"),
                            QStringLiteral("With --clone: fit, natural (as --natural), fill "
                                           "(cover the display, cutting the overflow) or "
                                           "stretch."),
                            QStringLiteral("MODE")};
    QCommandLineOption crop{QStringLiteral("crop"),
                            QStringLiteral("With --clone: show only this part of the window, "
                                           "in its pixels now, e.g. 640x360+0+0."),
                            QStringLiteral("WxH+X+Y")};
    QCommandLineOption transform{QStringLiteral("transform"),
                                 QStringLiteral("With --clone: none, flip-x, flip-y (mirror), "
                                                "90, 180 or 270 (rotate clockwise)."),
                                 QStringLiteral("TURN")};
    QCommandLineOption keep{QStringLiteral("keep"),
                            QStringLiteral("With --clone: keep the clone; it comes back with its "
                                           "window and display.")};
    QCommandLineOption forget{QStringLiteral("forget"),
                              QStringLiteral("Stop keeping WINDOW's clone on --display and close "
                                             "it."),
                              QStringLiteral("WINDOW")};
    QCommandLineOption identify{QStringLiteral("identify"),
                                QStringLiteral("Show each display's number on it.")};
    QCommandLineOption show{QStringLiteral("show"),
                            QStringLiteral("Bring the main window back and to the front.")};
    QCommandLineOption hide{QStringLiteral("hide"), QStringLiteral("Hide the main window.")};
    QCommandLineOption quit{QStringLiteral("quit"), QStringLiteral("End the running copy.")};
    QCommandLineOption pointer{QStringLiteral("pointer"),
                               QStringLiteral("Show (on) or hide (off) the pointer on clones."),
                               QStringLiteral("on|off")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Show this help.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the version.")};
};

const char* const kDescription =
    "Without arguments, starts Vantrel (or brings the running copy's window back).\n"
    "With a command, tells the running copy what to do, starting one first when none runs\n"
    "(--list and --quit only report that none runs).\n"
    "Exit status: 0 done, 1 failed (the message says why), 2 bad usage.";

std::array<const QCommandLineOption*, 17> AllOptions(const Options& o) {
    return {&o.list, &o.clone, &o.release,   &o.forget, &o.display,  &o.natural,
            &o.mode, &o.crop,  &o.transform, &o.keep,   &o.identify, &o.show,
            &o.hide, &o.quit,  &o.pointer,   &o.help,   &o.version};
}

// The help text, built here rather than by the parser, which needs a running application.
QString HelpText(const Options& o) {
    QString text = QStringLiteral("Usage: vantrel [command]\n") +
                   QString::fromLatin1(kDescription) +
                   QStringLiteral("\n\nCommands and options:\n");
    for (const QCommandLineOption* option : AllOptions(o)) {
        QStringList names;
        for (const QString& name : option->names()) {
            names.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
        }
        QString left = names.join(QStringLiteral(", "));
        if (!option->valueName().isEmpty()) {
            left += u' ' + option->valueName();
        }
        text += QStringLiteral("  %1  %2\n").arg(left.leftJustified(22), option->description());
    }
    return text;
}

ParsedCommandLine Usage(const QString& why) {
    return {ParsedCommandLine::Kind::Usage, {}, why};
}

// A display number is written in plain decimal digits: no sign, space, base prefix or
// trailing text. Nothing when the value is anything else or out of range.
std::optional<int> DisplayNumber(const QString& value) {
    const bool digits = !value.isEmpty() && std::all_of(value.begin(), value.end(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    bool ok = false;
    const int number = digits ? value.toInt(&ok, 10) : 0;
    return ok && number >= 1 ? std::optional(number) : std::nullopt;
}

// The one command given, or a usage error when there are none or several.
ParsedCommandLine ChooseCommand(const QCommandLineParser& parser, const Options& o) {
    const std::array<std::pair<const QCommandLineOption*, RemoteCommand>, 9> commands = {{
        {&o.list, RemoteCommand::List},
        {&o.clone, RemoteCommand::Clone},
        {&o.release, RemoteCommand::Release},
        {&o.forget, RemoteCommand::Forget},
        {&o.identify, RemoteCommand::Identify},
        {&o.show, RemoteCommand::Show},
        {&o.hide, RemoteCommand::Hide},
        {&o.quit, RemoteCommand::Quit},
        {&o.pointer, RemoteCommand::SetPointer},
    }};
    ParsedCommandLine parsed{ParsedCommandLine::Kind::Command, {}, {}};
    int count = 0;
    for (const auto& [option, command] : commands) {
        if (parser.isSet(*option)) {
            count += static_cast<int>(parser.values(*option).size() > 1 ? 2 : 1);
            parsed.request.command = command;
        }
    }
    if (count != 1) {
        return Usage(count == 0 ? QStringLiteral("no command given")
                                : QStringLiteral("give one command at a time"));
    }
    return parsed;
}

// Fills in and checks the command's own values: WINDOW, --display, --natural, on|off.
ParsedCommandLine CheckValues(ParsedCommandLine parsed, const QCommandLineParser& parser,
                              const Options& o) {
    RemoteRequest& request = parsed.request;
    const bool needsDisplay = request.command == RemoteCommand::Clone ||
                              request.command == RemoteCommand::Release ||
                              request.command == RemoteCommand::Forget;
    if (parser.isSet(o.display) != needsDisplay) {
        return Usage(needsDisplay
                         ? QStringLiteral("--clone, --release and --forget need --display N")
                         : QStringLiteral("--display goes with --clone, --release or --forget"));
    }
    if (parser.isSet(o.natural) && request.command != RemoteCommand::Clone) {
        return Usage(QStringLiteral("--natural goes with --clone"));
    }
    if (parser.isSet(o.keep) && request.command != RemoteCommand::Clone) {
        return Usage(QStringLiteral("--keep goes with --clone"));
    }
    for (const QCommandLineOption* look : {&o.mode, &o.crop, &o.transform}) {
        if (parser.isSet(*look) && request.command != RemoteCommand::Clone) {
            return Usage(QStringLiteral("--%1 goes with --clone").arg(look->names().constFirst()));
        }
        if (parser.values(*look).size() > 1) {
            return Usage(QStringLiteral("give --%1 once").arg(look->names().constFirst()));
        }
    }
    if (parser.isSet(o.mode) && parser.isSet(o.natural)) {
        return Usage(QStringLiteral("give --natural or --mode, not both"));
    }
    if (const QString why = ReadLook(parser.value(o.mode), parser.value(o.crop),
                                     parser.value(o.transform), request.look);
        !why.isEmpty()) {
        return Usage(why);
    }
    // An option given an empty value is no option left out.
    for (const QCommandLineOption* look : {&o.mode, &o.crop, &o.transform}) {
        if (parser.isSet(*look) && parser.value(*look).isEmpty()) {
            return Usage(QStringLiteral("--%1 needs a value").arg(look->names().constFirst()));
        }
    }
    if (needsDisplay) {
        request.window = parser.value(request.command == RemoteCommand::Clone     ? o.clone
                                      : request.command == RemoteCommand::Release ? o.release
                                                                                  : o.forget);
        if (request.window.isEmpty()) {
            return Usage(
                QStringLiteral("WINDOW is empty: give an id from --list or a title "
                               "pattern"));
        }
        if (const auto tooLong = CheckPatternLength(request.window)) {
            return Usage(*tooLong);
        }
        const std::optional<int> display = DisplayNumber(parser.value(o.display));
        if (!display || parser.values(o.display).size() > 1) {
            return Usage(QStringLiteral("--display needs one number from 1 up, not %1")
                             .arg(QuoteValue(parser.values(o.display).join(u' '))));
        }
        request.display = *display;
        request.natural = parser.isSet(o.natural);
        request.keep = parser.isSet(o.keep);
    }
    if (request.command == RemoteCommand::SetPointer) {
        const QString value = parser.value(o.pointer);
        if (value != QLatin1String("on") && value != QLatin1String("off")) {
            return Usage(
                QStringLiteral("--pointer takes on or off, not %1").arg(QuoteValue(value)));
        }
        request.pointer = value == QLatin1String("on");
    }
    return parsed;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const QStringList& arguments) {
    if (arguments.size() <= 1) {
        return {};
    }
    const Options options;
    QCommandLineParser parser;
    for (const QCommandLineOption* option : AllOptions(options)) {
        parser.addOption(*option);
    }
    if (!parser.parse(arguments)) {
        return Usage(parser.errorText());
    }
    if (!parser.positionalArguments().isEmpty()) {
        return Usage(QStringLiteral("unexpected argument %1")
                         .arg(QuoteValue(parser.positionalArguments().constFirst())));
    }
    if (parser.isSet(options.help)) {
        return {ParsedCommandLine::Kind::Help, {}, HelpText(options)};
    }
    if (parser.isSet(options.version)) {
        return {ParsedCommandLine::Kind::Version, {}, QString()};
    }
    const ParsedCommandLine chosen = ChooseCommand(parser, options);
    if (chosen.kind == ParsedCommandLine::Kind::Usage) {
        return chosen;
    }
    return CheckValues(chosen, parser, options);
}
