// For the scripting tests that talk across processes: a private D-Bus session bus, and
// running a client to its end while this process keeps answering it. The test program's
// QCoreApplication exists from the first test to the last.
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct ProcessResult {
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the program to its end (at most timeoutMs), turning this process's event loop all
// the while so that a service in this process answers the program.
ProcessResult RunServing(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment, int timeoutMs = 30000);

// A session bus of the test's own: a dbus-daemon that activates no services.
class PrivateBus {
  public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // The bus's address; empty when the daemon could not be started (Problem() says why).
    const QString& Address() const { return address_; }
    const QString& Problem() const { return problem_; }
    // This process's environment with the bus as the session bus.
    QProcessEnvironment Environment() const;
    // A connection of this process to the bus, under a name of its own.
    QDBusConnection Connect(const QString& connectionName) const;

  private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QString problem_;
};

// The environment of a client that finds no session bus at all.
QProcessEnvironment EnvironmentWithoutBus();
