// A running copy for the tests: answers scripts on the session bus over a fake desktop
// (SampleDesktop) and appends each call it gets to the file REMOTE_TEST_COPY_LOG. Quit ends
// it; so does a minute without one, so that a failed test leaves nothing behind.
#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>

#include "remote/RemoteServer.h"
#include "tests/remote/FakeTarget.h"

namespace {

constexpr int kLifetimeMs = 60000;

void AppendToLog(const QString& call) {
    QFile log(qEnvironmentVariable("REMOTE_TEST_COPY_LOG"));
    if (log.open(QIODevice::WriteOnly | QIODevice::Append)) {
        log.write(call.toUtf8() + '\n');
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    FakeTarget target(SampleDesktop());
    target.OnCall([](const QString& call) {
        AppendToLog(call);
        if (call == QLatin1String("Quit")) {
            QCoreApplication::quit();
        }
    });
    AppendToLog(QStringLiteral("started with %1 arguments").arg(argc - 1));
    const RemoteServer server(target);
    if (!server.Listening()) {
        std::fputs("remote_fake_copy: cannot register on the session bus\n", stderr);
        return 4;
    }
    QTimer::singleShot(kLifetimeMs, &application, &QCoreApplication::quit);
    return QCoreApplication::exec();
}
