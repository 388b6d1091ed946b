// libFuzzer target: any bytes as a window's _NET_WM_NAME (UTF-8), WM_NAME (Latin-1) or
// COMPOUND_TEXT title, decoded and copied into a bounded buffer as the window query does.
// Input: one byte choosing the encoding, two bytes of maxCount (signed, big-endian), then
// the property's bytes. Aborts when the decoded text holds a NUL or a lone surrogate, or
// when the copy writes past its count, leaves the text unterminated, returns a count that
// is not the text's length, or ends in half a surrogate pair.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/x11/X11TitleText.h"

namespace {

constexpr char16_t kUntouched = 0xABCD;
constexpr std::size_t kGuard = 16;

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
    const int maxCount = static_cast<std::int16_t>((data[1] << 8) | data[2]) % 2048;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 3), size - 3);

    const std::u16string title = DecodeTitle(encoding, bytes);
    CheckText(title);

    std::vector<char16_t> buffer(static_cast<std::size_t>(std::max(maxCount, 0)) + kGuard,
                                 kUntouched);
    const int count = CopyTitle(title, buffer.data(), maxCount);
    if (maxCount < 1) {
        Check(count == 0);
        for (char16_t c : buffer) {
            Check(c == kUntouched);
        }
        return 0;
    }
    const auto n = static_cast<std::size_t>(count);
    Check(count >= 0 && count <= maxCount - 1);
    Check(buffer[n] == u'\0');
    for (std::size_t i = n + 1; i < buffer.size(); ++i) {
        Check(buffer[i] == kUntouched);
    }
    // The count is the copied text's length: a prefix of the title, cut only where a whole
    // character ends, and no shorter than the buffer forces.
    Check(std::u16string_view(buffer.data()).size() == n);
    Check(std::u16string_view(buffer.data(), n) == std::u16string_view(title).substr(0, n));
    Check(n == 0 || !IsHigh(buffer[n - 1]));
    const std::size_t room = std::min(title.size(), static_cast<std::size_t>(maxCount - 1));
    Check(n == room || (n + 1 == room && IsHigh(title[n])));
    return 0;
}
