#include "platform/x11/windows/X11TitleText.h"

#include <unicode/ucnv.h>

#include <QString>

#include <algorithm>
#include <memory>

namespace {

struct ConverterClose {
    void operator()(UConverter* c) const noexcept { ucnv_close(c); }
};

std::u16string FromQString(const QString& text) {
    return text.toStdU16String();
}

// COMPOUND_TEXT through ICU's X11 converter; without it, its ASCII/Latin-1 part (the
// initial state of compound text is ISO 8859-1 in both halves).
std::u16string DecodeCompoundText(std::string_view bytes) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterClose> converter(ucnv_open("COMPOUND_TEXT", &status));
    if (U_FAILURE(status) || !converter) {
        return FromQString(QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
    // Every byte gives at most two UTF-16 units.
    std::u16string out(bytes.size() * 2 + 1, u'\0');
    status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()),
                                    bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) {
        return FromQString(QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
    out.resize(static_cast<std::size_t>(std::max(n, 0)));
    return out;
}

}  // namespace

std::u16string DecodeTitle(TitleEncoding encoding, std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    const auto size = static_cast<qsizetype>(bytes.size());
    switch (encoding) {
        case TitleEncoding::Utf8:
            return FromQString(QString::fromUtf8(bytes.data(), size));
        case TitleEncoding::Latin1:
            return FromQString(QString::fromLatin1(bytes.data(), size));
        case TitleEncoding::CompoundText:
            return DecodeCompoundText(bytes);
    }
    return {};
}
