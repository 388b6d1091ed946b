#include "platform/IcuCodePages.h"

#include <unicode/ucnv.h>

#include <memory>
#include <string>

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter Open(int codePage) {
    UErrorCode status = U_ZERO_ERROR;
    const std::string name = codePage == 932   ? "Shift_JIS"
                             : codePage == 936 ? "GBK"
                             : codePage == 949 ? "windows-949"
                             : codePage == 950 ? "Big5"
                                               : "windows-" + std::to_string(codePage);
    Converter converter(ucnv_open(name.c_str(), &status));
    return U_SUCCESS(status) ? std::move(converter) : nullptr;
}

}  // namespace

int IcuCodePages::AnsiCodePageForLanguage(std::uint16_t languageId) const {
    switch (languageId & 0x3FF) {
        case 0x05:
        case 0x0E:
        case 0x15:
        case 0x18:
        case 0x1A:
        case 0x1B:
        case 0x1C:
        case 0x24:
            return 1250;
        case 0x02:
        case 0x19:
        case 0x22:
        case 0x23:
        case 0x2F:
            return 1251;
        case 0x08:
            return 1253;
        case 0x1F:
            return 1254;
        case 0x0D:
            return 1255;
        case 0x01:
            return 1256;
        case 0x25:
        case 0x26:
        case 0x27:
            return 1257;
        case 0x2A:
            return 1258;
        case 0x1E:
            return 874;
        case 0x11:
            return 932;
        case 0x12:
            return 949;
        case 0x04:
            return (languageId == 0x0404 || languageId == 0x0C04 || languageId == 0x1404) ? 950
                                                                                          : 936;
        default:
            return 1252;
    }
}

QString IcuCodePages::Decode(int codePage, const QByteArray& bytes) const {
    Converter converter = Open(codePage);
    if (!converter) {
        return QString::fromLatin1(bytes);
    }
    QString text(bytes.size() * 2 + 1, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()),
                                         static_cast<int32_t>(text.size()), bytes.constData(),
                                         static_cast<int32_t>(bytes.size()), &status);
    return U_SUCCESS(status) ? text.left(length) : QString();
}

QByteArray IcuCodePages::Encode(int codePage, QStringView text) const {
    Converter converter = Open(codePage);
    if (!converter) {
        return text.toLatin1();
    }
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setSubstChars(converter.get(), "?", 1, &status);
    QByteArray bytes(text.size() * 4 + 1, Qt::Uninitialized);
    status = U_ZERO_ERROR;
    const int32_t length = ucnv_fromUChars(
        converter.get(), bytes.data(), static_cast<int32_t>(bytes.size()),
        reinterpret_cast<const UChar*>(text.utf16()), static_cast<int32_t>(text.size()), &status);
    return U_SUCCESS(status) ? bytes.left(length) : QByteArray();
}
