// The real program left alone on a private Xvfb: processor time and wake-ups of its
// process over a stretch in which nothing happens, once with only the list and once with a
// live clone open. Read from /proc: utime + stime of /proc/<pid>/stat (clock ticks, coarse),
// the run time of every thread from /proc/<pid>/task/*/schedstat (nanoseconds), and the
// voluntary and involuntary context switches from /proc/<pid>/task/*/status. The idle
// refresh only runs when the main thread wakes, so its wake-ups bound the refreshes.
#include "bench/idle_bench_program.h"

#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <memory>
#include <vector>

#include "tests/e2e/app_e2e_support.h"
#include "tests/e2e/support/TestDesktop.h"
#include "tests/e2e/support/WaitUntil.h"

namespace {

struct ProcessFigures {
    double statCpuMs = 0;  // utime + stime, in clock-tick resolution
    double runNs = 0;      // all threads' run time
    long wakeups = 0;      // all threads' context switches
    long mainWakeups = 0;  // the main thread's
};

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

long SwitchesIn(const QByteArray& status) {
    long total = 0;
    for (const QByteArray& line : status.split('\n')) {
        if (line.startsWith("voluntary_ctxt_switches:") ||
            line.startsWith("nonvoluntary_ctxt_switches:")) {
            total += line.mid(line.indexOf(':') + 1).trimmed().toLong();
        }
    }
    return total;
}

ProcessFigures Read(qint64 pid) {
    ProcessFigures f;
    const QString base = QStringLiteral("/proc/%1").arg(pid);
    // Fields after the command name, which is in parentheses and may hold spaces.
    const QByteArray stat = ReadAll(base + "/stat");
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 12) {
        const double tick = 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
        f.statCpuMs = (fields[11].toDouble() + fields[12].toDouble()) * tick;
    }
    const QStringList tasks = QDir(base + "/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& task : tasks) {
        const QString dir = base + "/task/" + task;
        f.runNs += ReadAll(dir + "/schedstat").split(' ').value(0).toDouble();
        const long switches = SwitchesIn(ReadAll(dir + "/status"));
        f.wakeups += switches;
        if (task.toLongLong() == pid) {
            f.mainWakeups = switches;
        }
    }
    return f;
}

// Waits until the program has stopped using the processor for 1.5 s (up to 5 s): start-up,
// the first paints and Qt's delayed answer to the last pointer move are not part of the
// measurement. (Qt wakes once 700 ms after the pointer last moved over a widget, to offer
// its tooltip; a shorter quiet spell counted that as the idle program's.)
void Settle(qint64 pid) {
    QElapsedTimer quiet;
    quiet.start();
    double last = Read(pid).runNs;
    WaitUntil(
        [&] {
            const double now = Read(pid).runNs;
            if (now != last) {
                last = now;
                quiet.restart();
            }
            return quiet.elapsed() >= 1500;
        },
        5000, 50);
}

void Measure(const char* what, qint64 pid, int seconds) {
    Settle(pid);
    const ProcessFigures before = Read(pid);
    QElapsedTimer clock;
    clock.start();
    WaitUntil([] { return false; }, seconds * 1000, 100);
    const ProcessFigures after = Read(pid);
    std::printf(
        "real program, %-22s %d s: %.3f ms processor time (run time), %.0f ms (stat ticks), "
        "%ld wake-ups, %ld of the main thread (refreshes at most that many); since its start "
        "%.1f ms, %ld wake-ups\n",
        what, static_cast<int>(clock.elapsed() / 1000), (after.runNs - before.runNs) / 1e6,
        after.statCpuMs - before.statCpuMs, after.wakeups - before.wakeups,
        after.mainWakeups - before.mainWakeups, after.runNs / 1e6, after.wakeups);
    std::fflush(stdout);
}

}  // namespace

int MeasureRealProgramIdle(int seconds) {
    DesktopOptions options;
    options.monitors = {{0, 0, 1600, 1080, true}, {1600, 0, 1600, 1080, false}};
    TestDesktop desktop(options);
    if (!desktop.Ready()) {
        std::fprintf(stderr, "idle_bench: %s\n", desktop.Failure().c_str());
        return 1;
    }
    XClient& x = desktop.X();
    for (int i = 0; i < 20; ++i) {
        desktop
            .Start(QStringLiteral(VANTREL_COLOUR_CLIENT),
                   {"--title", QStringLiteral("Idle window %1").arg(i), "--x",
                    QString::number(10 * i), "--y", QString::number(10 * i)})
            .ReadLine(5000);
    }
    VantrelRun run(desktop.Server());
    run.SetLanguage(QStringLiteral("C"));
    QProcess& vantrel = run.Start();
    const auto windows = WaitForWindows(x, QStringLiteral("Quillane Vantrel"), 10000);
    if (windows.empty()) {
        std::fprintf(stderr, "idle_bench: the program's window did not appear\n");
        return 1;
    }
    const qint64 pid = vantrel.processId();
    Measure("list of 20 windows,", pid, seconds);

    // Display button 2 of the first row, then the pointer rests on the clone.
    const QRect main = x.Geometry(windows[0]).value_or(QRect());
    x.Click(main.x() + 8 + 6 + 39 + 16, main.y() + 66 + 1 + 12);
    const bool cloned = WaitUntil(
        [&] { return !x.FindViewableWindowsByTitle(QStringLiteral("Window Clone")).empty(); },
        5000);
    x.MoveTo(3000, 1000);
    if (cloned) {
        Measure("with a live clone,", pid, seconds);
    } else {
        std::fprintf(stderr, "idle_bench: no clone appeared\n");
    }
    return 0;
}
