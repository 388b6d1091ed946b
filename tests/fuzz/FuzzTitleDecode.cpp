// libFuzzer target: any bytes as a window's _NET_WM_NAME (UTF-8), WM_NAME (Latin-1) or
// COMPOUND_TEXT title, decoded as the window query does and cut to the length a row shows,
// as the window list does. Input: one byte choosing the encoding, two bytes that older seeds
// used for a buffer size (ignored), then the property's bytes. Aborts when the decoded text
// holds a NUL or a lone surrogate, or when the shown title is not a prefix of the text, is
// longer than a row shows, is cut shorter than it must be, or ends in half a surrogate pair.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <QString>

#include "mainwindow/WindowListModel.h"
#include "platform/x11/windows/X11TitleText.h"

namespace {

bool IsHigh(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Well-formed UTF-16 without NUL: what a title label and GetWindowTextW callers expect.
void CheckText(const std::u16string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        Check(text[i] != u'\0');
        if (IsHigh(text[i])) {
            Check(i + 1 < text.size() && IsLow(text[i + 1]));
            ++i;
        } else {
            Check(!IsLow(text[i]));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const TitleEncoding encoding = data[0] % 3 == 0   ? TitleEncoding::Utf8
                                   : data[0] % 3 == 1 ? TitleEncoding::Latin1
                                                      : TitleEncoding::CompoundText;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 3), size - 3);

    const std::u16string title = DecodeTitle(encoding, bytes);
    CheckText(title);

    WindowListModel model;
    model.Update({{1, QString::fromStdU16String(title)}});
    if (model.Rows().empty()) {
        // No row only for a title that shows nothing but white space (or nothing at all).
        QString cut = QString::fromStdU16String(title).left(kMaxTitleLength);
        if (!cut.isEmpty() && cut.back().isHighSurrogate()) {
            cut.chop(1);
        }
        Check(cut.trimmed().isEmpty());
        return 0;
    }
    Check(model.Rows().size() == 1);
    const std::u16string shown = model.Rows()[0].title.toStdU16String();
    const std::size_t n = shown.size();
    // A prefix of the title, cut only where a whole character ends, and no shorter than the
    // row's length forces.
    Check(std::u16string_view(title).substr(0, n) == shown);
    Check(n == 0 || !IsHigh(shown[n - 1]));
    const std::size_t room = std::min(title.size(), static_cast<std::size_t>(kMaxTitleLength));
    Check(n == room || (n + 1 == room && IsHigh(title[n])));
    return 0;
}
