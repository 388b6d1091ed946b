#include "platform/x11/X11TitleText.h"

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

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
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

int CopyTitle(std::u16string_view title, char16_t* buffer, int maxCount) {
    if (buffer == nullptr || maxCount < 1) {
        return 0;
    }
    std::size_t n = std::min(title.size(), static_cast<std::size_t>(maxCount - 1));
    if (n > 0 && n < title.size() && IsHighSurrogate(title[n - 1])) {
        --n;  // the low half did not fit: leave the whole character out
    }
    std::copy_n(title.begin(), n, buffer);
    buffer[n] = u'\0';
    return static_cast<int>(n);
}
