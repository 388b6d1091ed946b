#include "tests/mainwindow/WriteTextFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

bool WriteTextFile(const QString& path, const QString& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    return file.write(bytes) == bytes.size();
}
