#include "platform/wayland/RestoreTokenStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
const QString kWindows = QStringLiteral("windows");
const QString kNumber = QStringLiteral("number");
const QString kToken = QStringLiteral("token");
}  // namespace

RestoreTokenStore::RestoreTokenStore(QString filePath) : filePath_(std::move(filePath)) {}

QString RestoreTokenStore::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/wayland-windows.json");
}

std::vector<StoredWindow> RestoreTokenStore::Load() const {
    QFile file(filePath_);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    std::vector<StoredWindow> windows;
    for (const QJsonValue& value : document.object().value(kWindows).toArray()) {
        const QJsonObject entry = value.toObject();
        StoredWindow window{entry.value(kNumber).toInt(), entry.value(kToken).toString()};
        if (window.number > 0 && !window.token.isEmpty()) {
            windows.push_back(window);
        }
    }
    return windows;
}

bool RestoreTokenStore::Save(const std::vector<StoredWindow>& windows) const {
    if (!QDir().mkpath(QFileInfo(filePath_).absolutePath())) {
        return false;
    }
    QJsonArray entries;
    for (const StoredWindow& window : windows) {
        entries.append(QJsonObject{{kNumber, window.number}, {kToken, window.token}});
    }
    QSaveFile file(filePath_);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(QJsonDocument(QJsonObject{{kWindows, entries}}).toJson());
    return file.commit();
}
