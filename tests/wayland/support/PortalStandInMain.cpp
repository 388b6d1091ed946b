// The portal stand-in as a program on the session bus, for the end-to-end tests:
//   vantrel_portal_stand_in --node N [--width W --height H] [--answer share|cancel|fail]
//                           [--pipewire-socket PATH]
// It prints "ready" once it owns org.freedesktop.portal.Desktop, and "picker" whenever
// its picker would open.
#include <QCoreApplication>
#include <QStringList>

#include <csignal>
#include <cstdio>

#include "tests/wayland/support/PortalStandIn.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::signal(SIGTERM, [](int) { QCoreApplication::quit(); });
    const QStringList arguments = app.arguments();
    auto option = [&arguments](const char* name, const QString& fallback) {
        const qsizetype at = arguments.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : fallback;
    };
    PortalStandIn portal(QDBusConnection::sessionBus());
    if (!portal.Registered()) {
        std::fprintf(stderr, "vantrel_portal_stand_in: cannot own the portal's name\n");
        return 1;
    }
    const QString answer = option("--answer", QStringLiteral("share"));
    portal.SetPicker(answer == QLatin1String("cancel") ? PickerAnswer::Cancel
                     : answer == QLatin1String("fail") ? PickerAnswer::Fail
                                                       : PickerAnswer::Share,
                     option("--node", QStringLiteral("0")).toUInt(),
                     QSize(option("--width", QStringLiteral("0")).toInt(),
                           option("--height", QStringLiteral("0")).toInt()));
    portal.SetPipeWireSocket(option("--pipewire-socket", QString()));
    QObject::connect(&portal, &PortalStandIn::PickerOpened, [] {
        std::printf("picker\n");
        std::fflush(stdout);
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
