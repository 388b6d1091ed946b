#include "platform/InstallPathSetting.h"

#include <QSettings>

QString ReadInstallPathSetting() {
    const QSettings settings(QSettings::NativeFormat, QSettings::SystemScope,
                             QStringLiteral("Quillane"), QStringLiteral("Vantrel"));
    return settings.value(QStringLiteral("InstallPath")).toString();
}
