#include "platform/posix/PosixSystemServices.h"

#include <QSettings>

#include "platform/posix/PosixLanguage.h"

QString ReadInstallPathSetting() {
    const QSettings settings(QSettings::NativeFormat, QSettings::SystemScope,
                             QStringLiteral("Quillane"), QStringLiteral("Vantrel"));
    return settings.value(QStringLiteral("InstallPath")).toString();
}

std::uint16_t PosixSystemServices::UserLanguageId() {
    return LanguageIdFromLocale();
}

QString PosixSystemServices::InstallPath() {
    return ReadInstallPathSetting();
}
