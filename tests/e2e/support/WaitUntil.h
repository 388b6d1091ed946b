// Bounded polling for tests: no sleeps as synchronisation.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cstdint>
#include <functional>

// Polls pred until it holds or timeoutMs passes, processing Qt events between polls when
// an application object exists. Returns the last value of pred.
inline bool WaitUntil(const std::function<bool()>& pred, int timeoutMs, int pollMs = 10) {
    QElapsedTimer clock;
    clock.start();
    while (true) {
        if (pred()) {
            return true;
        }
        if (clock.elapsed() >= timeoutMs) {
            return pred();
        }
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, pollMs);
        }
        QThread::msleep(static_cast<unsigned long>(pollMs));
    }
}

// Reads one line of a child's output within timeoutMs; empty when none came.
inline QByteArray ReadLineWithin(QProcess& process, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!process.canReadLine() && clock.elapsed() < timeoutMs) {
        process.waitForReadyRead(
            static_cast<int>(std::max<qint64>(1, timeoutMs - clock.elapsed())));
    }
    return process.canReadLine() ? process.readLine().trimmed() : QByteArray();
}

// The window a test client (colour, hostile, animated source) announces on its first line,
// "window 0x<id>", read within timeoutMs; 0 when none came.
inline std::uint32_t ReadAnnouncedWindow(QProcess& client, int timeoutMs) {
    const QByteArray line = ReadLineWithin(client, timeoutMs);
    return line.startsWith("window 0x") ? line.mid(9).toUInt(nullptr, 16) : 0u;
}
