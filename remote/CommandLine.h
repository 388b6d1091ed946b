// The program's command line: no arguments starts the program; otherwise one command for
// the running copy, --help or --version.
#pragma once

#include <QString>
#include <QStringList>

#include "remote/RemoteCommands.h"

struct ParsedCommandLine {
    enum class Kind {
        Start,    // no arguments: start the program
        Help,     // print text, exit 0
        Version,  // print text, exit 0
        Command,  // send request to the running copy
        Usage,    // print text (what is wrong) and the hint, exit 2
    };
    Kind kind = Kind::Start;
    RemoteRequest request;
    QString text;
};

// Exit status of a command line that cannot be understood.
inline constexpr int kUsageExitCode = 2;

// Reads the arguments; arguments[0] is the program's name. Exactly one command is allowed;
// --display goes with --clone and --release only (and is needed there), --natural with
// --clone only.
ParsedCommandLine ParseCommandLine(const QStringList& arguments);
