// One program a test runs on its private desktop: started with the desktop's environment (or
// one the test gives), its standard output read line by line, its error output kept, its
// exit code waited for with a bound. Killed when the object goes, also when a test fails.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class TestProgram {
  public:
    // Where the program's error output goes: kept for Errors(), or passed on to the test's.
    enum class ErrorOutput { Keep, Forward };
    // Whether the test reads standard output; helpers that chatter have it dropped, so that a
    // full pipe never blocks them.
    enum class StandardOutput { Read, Drop };

    TestProgram(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                ErrorOutput errors = ErrorOutput::Forward,
                StandardOutput output = StandardOutput::Read);
    ~TestProgram();
    TestProgram(const TestProgram&) = delete;
    TestProgram& operator=(const TestProgram&) = delete;

    // Whether the program started (within 5 s) and has not ended since.
    bool Started() const { return started_; }
    bool Running() const { return process_.state() != QProcess::NotRunning; }
    qint64 Pid() const { return process_.processId(); }
    QProcess& Process() { return process_; }

    // One line of standard output within timeoutMs, trimmed; empty when none came.
    QByteArray ReadLine(int timeoutMs);
    // The window a test client announces on its first line, "window 0x<id>"; 0 when none.
    std::uint32_t ReadAnnouncedWindow(int timeoutMs);
    // Writes one command line to the program's standard input.
    void Write(const QByteArray& line);
    // Everything the program wrote to its error output so far (ErrorOutput::Keep).
    QString Errors();

    // Waits for the end; its exit code, -1 for a crash, nothing when it did not end in time.
    std::optional<int> WaitForExit(int timeoutMs);
    // Ends it now: SIGTERM, then SIGKILL when it does not end within timeoutMs.
    void Stop(int timeoutMs = 3000);

  private:
    QProcess process_;
    QByteArray errors_;
    bool started_ = false;
};
