// Decoding catalog files and cutting their text into entries.
#include "l10n/CatalogFile.h"

#include <QFile>
#include <QStringView>

#include <filesystem>
#include <system_error>

const std::array<TReplacePatterns, 4> ReplacePatterns = {{
    {QStringLiteral("<1310>"), QStringLiteral("\r\n")},
    {QStringLiteral("<13>"), QStringLiteral("\r")},
    {QStringLiteral("<10>"), QStringLiteral("\n")},
    {QStringLiteral("<9>"), QStringLiteral("\t")},
}};

namespace {

// A catalog file is a few kilobytes of text; anything this big is not one and would only
// exhaust memory.
constexpr qint64 kMaxCatalogFileSize = qint64{256} * 1024 * 1024;
constexpr QChar kFieldSeparator = u'~';
constexpr std::size_t kEntryFields = 4;  // fields after the hint are ignored
constexpr std::size_t kMinimumEntryFields = 3;

QString DecodeUtf16(const QByteArray& bytes, qsizetype start, bool bigEndian) {
    const qsizetype units = (bytes.size() - start) / 2;  // an odd last byte is ignored
    QString text(units, Qt::Uninitialized);
    auto* out = text.data();
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData()) + start;
    qsizetype length = 0;
    for (; length < units; ++length) {
        const unsigned first = in[2 * length];
        const unsigned second = in[2 * length + 1];
        const auto unit =
            static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
        if (unit == 0) {
            break;
        }
        out[length] = QChar(unit);
    }
    text.truncate(length);
    return text;
}

QByteArray UpToNul(const QByteArray& bytes, qsizetype start) {
    const qsizetype nul = bytes.indexOf('\0', start);
    return bytes.mid(start, nul < 0 ? -1 : nul - start);
}

bool StartsWith(const QByteArray& bytes, std::initializer_list<unsigned char> mark) {
    if (bytes.size() < static_cast<qsizetype>(mark.size())) {
        return false;
    }
    qsizetype i = 0;
    for (unsigned char b : mark) {
        if (static_cast<unsigned char>(bytes[i++]) != b) {
            return false;
        }
    }
    return true;
}

QString StripDelimiters(const QString& field) {
    if (field.size() < 2) {
        return {};
    }
    return field.mid(1, field.size() - 2);
}

// The token of ReplacePatterns that starts at position i of s, or -1.
int TokenAt(QStringView s, qsizetype i) {
    for (std::size_t rule = 0; rule < ReplacePatterns.size(); ++rule) {
        if (s.mid(i).startsWith(ReplacePatterns[rule].Pattern)) {
            return static_cast<int>(rule);
        }
    }
    return -1;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

void ParseLine(QStringView line, TLanguageStrings& language, const CatalogCodePage& codePage) {
    if (line.isEmpty() || line.front() == u';') {
        return;
    }
    std::vector<QString> fields = SplitFields(line, kFieldSeparator, kEntryFields);
    if (fields.size() < kMinimumEntryFields) {
        return;
    }
    language.Strings.push_back(MakeStringResource(fields, codePage));
}

}  // namespace

QString DecodeCatalogBytes(const QByteArray& bytes, const CatalogCodePage& codePage) {
    if (StartsWith(bytes, {0xFF, 0xFE})) {
        return DecodeUtf16(bytes, 2, false);
    }
    if (StartsWith(bytes, {0xFE, 0xFF})) {
        return DecodeUtf16(bytes, 2, true);
    }
    if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) {
        return QString::fromUtf8(UpToNul(bytes, 3));
    }
    return codePage.Decode(UpToNul(bytes, 0));
}

std::unique_ptr<TLanguageStrings> ParseCatalogBytes(const QByteArray& bytes,
                                                    const CatalogCodePage& codePage) {
    auto language = std::make_unique<TLanguageStrings>();
    const QString text = DecodeCatalogBytes(bytes, codePage);
    const QStringView view(text);
    qsizetype pos = 0;
    while (pos < view.size()) {
        qsizetype end = pos;
        while (end < view.size() && view[end] != u'\r' && view[end] != u'\n') {
            ++end;
        }
        ParseLine(view.mid(pos, end - pos), *language, codePage);
        pos = end;
        if (pos < view.size() && view[pos] == u'\r') {
            ++pos;
        }
        if (pos < view.size() && view[pos] == u'\n') {
            ++pos;
        }
    }
    return language;
}

std::vector<QString> SplitFields(const QString& line, QChar separator) {
    return SplitFields(QStringView(line), separator, std::numeric_limits<std::size_t>::max());
}

std::vector<QString> SplitFields(QStringView line, QChar separator, std::size_t maxFields) {
    std::vector<QString> fields;
    if (maxFields == 0) {
        return fields;
    }
    qsizetype start = 0;
    while (fields.size() + 1 < maxFields) {
        const qsizetype next = line.indexOf(separator, start);
        if (next < 0) {
            break;
        }
        fields.push_back(line.mid(start, next - start).toString());
        start = next + 1;
    }
    // The last field runs to the next separator when the limit cut the line, else to the end.
    const qsizetype next = fields.size() + 1 == maxFields ? line.indexOf(separator, start) : -1;
    fields.push_back(line.mid(start, next < 0 ? -1 : next - start).toString());
    return fields;
}

TStringResource MakeStringResource(const std::vector<QString>& fields,
                                   const CatalogCodePage& codePage) {
    TStringResource entry;
    if (!fields.empty()) {
        entry.Section = codePage.Encode(fields[0]);
    }
    if (fields.size() > 1) {
        entry.Name = codePage.Encode(fields[1]);
    }
    if (fields.size() > 2) {
        entry.Text = StripDelimiters(fields[2]);
    }
    if (fields.size() > 3) {
        entry.Hint = StripDelimiters(fields[3]);
    }
    ApplyReplacePatterns(entry.Text);
    ApplyReplacePatterns(entry.Hint);
    return entry;
}

// The four tokens all begin with "<" and no token starts inside another, and the
// replacements hold no "<" or digit, so one left-to-right pass that tries the rules in table
// order gives the same result as applying the rules one after the other.
void ApplyReplacePatterns(QString& s) {
    if (!s.contains(u'<')) {
        return;
    }
    const QStringView view(s);
    QString result;
    result.reserve(s.size());
    qsizetype i = 0;
    while (i < view.size()) {
        const qsizetype next = view.indexOf(u'<', i);
        if (next < 0) {
            result.append(view.mid(i));
            break;
        }
        result.append(view.mid(i, next - i));
        const int rule = TokenAt(view, next);
        if (rule < 0) {
            result.append(u'<');
            i = next + 1;
            continue;
        }
        const auto& pattern = ReplacePatterns[static_cast<std::size_t>(rule)];
        result.append(pattern.Replacement);
        i = next + pattern.Pattern.size();
    }
    s = std::move(result);
}

QString ReplaceAll(const QString& s, QStringView pattern, QStringView replacement) {
    if (pattern.isEmpty()) {
        return s;
    }
    qsizetype found = s.indexOf(pattern);
    if (found < 0) {
        return s;
    }
    QString result;
    result.reserve(s.size());
    qsizetype start = 0;
    while (found >= 0) {
        result.append(QStringView(s).mid(start, found - start));
        result.append(replacement);
        start = found + pattern.size();
        found = s.indexOf(pattern, start);
    }
    result.append(QStringView(s).mid(start));
    return result;
}

std::unique_ptr<TLanguageStrings> ParseCatalogFile(const std::string& fileName,
                                                   const CatalogCodePage& codePage) {
    // Only regular files: opening a pipe would block, and a device may never end.
    std::error_code statusError;
    if (!std::filesystem::is_regular_file(std::filesystem::path(fileName), statusError)) {
        return nullptr;
    }
    QFile file(QFile::decodeName(fileName.c_str()));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxCatalogFileSize) {
        return nullptr;
    }
    const QByteArray bytes = file.read(kMaxCatalogFileSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxCatalogFileSize) {
        return nullptr;
    }
    return ParseCatalogBytes(bytes, codePage);
}

std::int32_t LanguageIdFromFileName(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    const std::string_view base = std::string_view(fileName).substr(0, dot);
    if (base.empty()) {
        return 0;
    }
    std::uint64_t value = 0;
    for (char c : base) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            return 0;
        }
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu) {
            return 0;
        }
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

bool FindString(const TLanguageStrings& language, const std::string& section,
                const std::string& name, QString& text, QString& hint) {
    for (const auto& entry : language.Strings) {
        if (entry.Name == name && entry.Section == section) {
            text = entry.Text;
            hint = entry.Hint;
            return true;
        }
    }
    return false;
}
