// The desktop's interface font for the program's windows.
#include <QString>

#include <algorithm>
#include <cstdlib>

#include "l10n/FormTranslation.h"

namespace {

constexpr int kBoldAbove = 699;
constexpr qsizetype kMaxFaceLength = 31;
constexpr std::uint8_t kPitchMask = 0x0F;
constexpr std::uint8_t kFixedPitch = 1;
constexpr std::uint8_t kVariablePitch = 2;
// Heights beyond this are not interface fonts; they would only make Qt rasterise huge glyphs.
constexpr long long kMaxPixelHeight = 4096;

QString FaceName(const std::string& face) {
    QString name = QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size()));
    if (name.size() > kMaxFaceLength) {
        name.truncate(kMaxFaceLength);
        if (name.back().isHighSurrogate()) {
            name.chop(1);  // never leave half a character behind
        }
    }
    return name;
}

}  // namespace

// LOGFONT heights are pixels: a negative one is the character height without internal
// leading, which is what QFont's pixel size means; a positive one is the cell height, for
// which Qt has no equivalent, so it is taken as the pixel size too. Zero asks for the
// default size, so the size is left alone. Character set and orientation have no QFont
// counterpart (Qt picks glyphs per character and draws text horizontally) and are not used.
// QFont has no colour, so the colour stays as it is in any case.
void AdoptLogicalFont(QFont& font, const LogicalFont& record) {
    const long long height = std::llabs(static_cast<long long>(record.height));
    if (height != 0) {
        font.setPixelSize(static_cast<int>(std::min(height, kMaxPixelHeight)));
    }
    font.setBold(record.weight > kBoldAbove);
    font.setItalic(record.italic == 1);
    font.setUnderline(record.underline == 1);
    font.setStrikeOut(record.strikeOut == 1);
    font.setFamily(FaceName(record.faceName));
    switch (record.pitchAndFamily & kPitchMask) {
        case kFixedPitch:
            font.setFixedPitch(true);
            break;
        case kVariablePitch:
            font.setFixedPitch(false);
            break;
        default:
            break;
    }
}

void ApplySystemFont(QFont& font) {
    if (!HasPlatform()) {
        return;
    }
    if (const std::optional<LogicalFont> record = CurrentPlatform().GetIconTitleFont()) {
        AdoptLogicalFont(font, *record);
        return;
    }
    ApplyDefaultGuiFont(font);
}

void ApplyDefaultGuiFont(QFont& font) {
    if (!HasPlatform()) {
        return;
    }
    AdoptLogicalFont(font, CurrentPlatform().GetDefaultGuiFont());
}
