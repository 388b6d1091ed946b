// The test desktop from the command line, for the scripts: starts a private X desktop, runs
// one command on it (DISPLAY set, Qt on xcb) and ends everything it started when the command
// ends or the tool is interrupted; exits with the command's exit code.
//
//   vantrel_desktop [--screen WxH] [--monitor WxH+X+Y]... [--real-outputs]
//                   [--wm openbox|icewm|fluxbox|xfwm4|xfwm4-no-compositor|i3|awesome|none]
//                   [--tray] [--compositor] [--no-composite] [-- command args...]
//
// The first monitor is the primary one. --real-outputs runs Xorg with the dummy driver, whose
// monitors are RandR outputs (DUMMY0...), instead of Xvfb. Without a command it prints the display
// and waits for SIGINT or SIGTERM.
#include <signal.h>

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "tests/e2e/support/TestDesktop.h"

namespace {

struct Invocation {
    DesktopOptions desktop;
    QStringList command;
};

std::optional<MonitorSpec> ParseMonitor(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d+)x(\\d+)\\+(-?\\d+)\\+(-?\\d+)$"));
    const auto m = form.match(text);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    return MonitorSpec{m.captured(3).toInt(), m.captured(4).toInt(), m.captured(1).toInt(),
                       m.captured(2).toInt(), false};
}

bool ParseScreen(const QString& text, DesktopOptions& options) {
    const QStringList parts = text.split('x');
    bool wide = false;
    bool high = false;
    if (parts.size() == 2) {
        options.width = parts[0].toInt(&wide);
        options.height = parts[1].toInt(&high);
    }
    return wide && high;
}

// Reads one option at args[i] (and its value); false when it is not understood.
bool ParseOption(const QStringList& args, int& i, Invocation& out) {
    const QString& option = args[i];
    const bool hasValue = i + 1 < args.size();
    if (option == "--tray") {
        out.desktop.tray = true;
    } else if (option == "--compositor") {
        out.desktop.compositor = true;
    } else if (option == "--no-composite") {
        out.desktop.composite = false;
    } else if (option == "--real-outputs") {
        out.desktop.realOutputs = true;
    } else if (option == "--screen" && hasValue) {
        return ParseScreen(args[++i], out.desktop);
    } else if (option == "--monitor" && hasValue) {
        const auto monitor = ParseMonitor(args[++i]);
        if (!monitor) {
            return false;
        }
        out.desktop.monitors.push_back(*monitor);
        out.desktop.monitors.front().primary = true;
    } else if (option == "--wm" && hasValue) {
        const auto manager = ParseWindowManager(args[++i].toStdString());
        if (!manager) {
            return false;
        }
        out.desktop.windowManager = *manager;
    } else {
        return false;
    }
    return true;
}

std::optional<Invocation> Parse(const QStringList& args) {
    Invocation out;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == "--") {
            out.command = args.mid(i + 1);
            return out;
        }
        if (!ParseOption(args, i, out)) {
            std::fprintf(stderr, "vantrel_desktop: cannot use \"%s\"\n", qPrintable(args[i]));
            return std::nullopt;
        }
    }
    return out;
}

// Whether SIGINT or SIGTERM (blocked, so they wait here) comes within waitMs.
bool Interrupted(int waitMs) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    const timespec wait{waitMs / 1000, (waitMs % 1000) * 1000000L};
    return sigtimedwait(&set, nullptr, &wait) > 0;
}

int RunCommand(TestDesktop& desktop, const QStringList& command) {
    QProcess process;
    process.setProcessEnvironment(desktop.Environment());
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.setChildProcessModifier([] {
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
    });
    process.start(command.front(), command.mid(1));
    if (!process.waitForStarted(10000)) {
        std::fprintf(stderr, "vantrel_desktop: cannot start %s\n", qPrintable(command.front()));
        return 127;
    }
    while (!process.waitForFinished(100)) {
        if (Interrupted(0)) {
            process.terminate();
            process.waitForFinished(5000);
            return 130;
        }
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : 128;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto invocation = Parse(QCoreApplication::arguments());
    if (!invocation) {
        return 2;
    }
    TestDesktop desktop(invocation->desktop);
    // Blocked from here on and waited for, so that an interruption still ends the desktop in
    // order. (Not before: the desktop's own programs would inherit the blocked signals.)
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    if (!desktop.Ready()) {
        std::fprintf(stderr, "vantrel_desktop: %s\n", desktop.Failure().c_str());
        return 2;
    }
    std::fprintf(stderr, "vantrel_desktop: DISPLAY=%s\n", desktop.Display().c_str());
    if (!invocation->command.isEmpty()) {
        return RunCommand(desktop, invocation->command);
    }
    std::printf("DISPLAY=%s\n", desktop.Display().c_str());
    std::fflush(stdout);
    while (!Interrupted(100)) {
    }
    return 0;
}
