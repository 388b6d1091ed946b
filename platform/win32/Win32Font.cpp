#include "platform/win32/Win32Font.h"

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <cwchar>

namespace {

constexpr LONG kBoldAbove = 699;
constexpr qsizetype kMaxFaceLength = 31;
constexpr BYTE kPitchMask = 0x0F;
// Heights beyond this are not interface fonts; they would only make Qt rasterise huge glyphs.
constexpr long long kMaxPixelHeight = 4096;

// A face name that fills all 32 units has no terminator; at most 31 units are taken, and a
// character outside the BMP is never cut in half.
QString FaceName(const LOGFONTW& record) {
    const std::size_t length = wcsnlen(record.lfFaceName, kMaxFaceLength);
    QString name = QString::fromWCharArray(record.lfFaceName, static_cast<qsizetype>(length));
    if (!name.isEmpty() && name.back().isHighSurrogate()) {
        name.chop(1);
    }
    return name;
}

}  // namespace

// LOGFONT heights are pixels: a negative one is the character height without internal
// leading, which is what QFont's pixel size means; a positive one is the cell height, for
// which Qt has no equivalent, so it is taken as the pixel size too. Zero asks for the
// default size, so the size is left alone. Character set, width and orientation have no
// QFont counterpart (Qt picks glyphs per character and draws text horizontally).
void AdoptLogicalFont(QFont& font, const LOGFONTW& record) {
    const long long height = std::llabs(static_cast<long long>(record.lfHeight));
    if (height != 0) {
        font.setPixelSize(static_cast<int>(std::min(height, kMaxPixelHeight)));
    }
    font.setBold(record.lfWeight > kBoldAbove);
    font.setItalic(record.lfItalic == 1);
    font.setUnderline(record.lfUnderline == 1);
    font.setStrikeOut(record.lfStrikeOut == 1);
    font.setFamily(FaceName(record));
    switch (record.lfPitchAndFamily & kPitchMask) {
        case FIXED_PITCH:
            font.setFixedPitch(true);
            break;
        case VARIABLE_PITCH:
            font.setFixedPitch(false);
            break;
        default:
            break;
    }
}

std::optional<LOGFONTW> ReadIconTitleFont() {
    LOGFONTW font{};
    if (SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof font, &font, 0) == 0) {
        return std::nullopt;
    }
    return font;
}

std::optional<LOGFONTW> ReadDefaultGuiFont() {
    LOGFONTW font{};
    const HGDIOBJ stock = GetStockObject(DEFAULT_GUI_FONT);
    if (stock == nullptr || GetObjectW(stock, sizeof font, &font) == 0) {
        return std::nullopt;
    }
    return font;
}

QFont ReadInterfaceFont() {
    QFont font;
    std::optional<LOGFONTW> record = ReadIconTitleFont();
    if (!record) {
        record = ReadDefaultGuiFont();
    }
    if (record) {
        AdoptLogicalFont(font, *record);
    }
    return font;
}
