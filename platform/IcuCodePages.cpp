#include "platform/IcuCodePages.h"

int IcuCodePages::AnsiCodePageForLanguage(std::uint16_t) const {
    return 1252;
}

QString IcuCodePages::Decode(int, const QByteArray& bytes) const {
    return QString::fromLatin1(bytes);
}

QByteArray IcuCodePages::Encode(int, QStringView text) const {
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        out.append(c.unicode() < 0x100 ? static_cast<char>(c.unicode()) : '?');
    }
    return out;
}
