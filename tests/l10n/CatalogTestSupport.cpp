#include "tests/l10n/CatalogTestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

QByteArray Utf16Le(const QString& text, bool withMark) {
    QByteArray bytes;
    if (withMark) {
        bytes.append("\xFF\xFE", 2);
    }
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

QByteArray Utf16Be(const QString& text) {
    QByteArray bytes("\xFE\xFF", 2);
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() >> 8));
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
    }
    return bytes;
}

QByteArray Utf8WithMark(const QString& text) {
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

void CatalogFolder::Write(const QString& name, const QByteArray& bytes) const {
    QFile file(dir_.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QString CatalogFolder::Lookup(std::int32_t langId, const std::string& key) const {
    return catalog_->GetMessageText(langId, key, QStringLiteral("default"));
}
