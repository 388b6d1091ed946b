// Loading a catalog folder of ten 10,000-entry files and looking messages up in it.
// Prints figures only.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <random>

#include "l10n/Catalog.h"
#include "platform/IcuCodePages.h"

namespace {

constexpr int kFiles = 10;
constexpr int kEntriesPerFile = 10000;
constexpr int kLookups = 100000;

// One file: messages with escapes, form entries with hints, a comment now and then.
QByteArray MakeCatalogFile(int file) {
    QByteArray bytes = "\xEF\xBB\xBF; generated catalog\r\n";
    for (int i = 0; i < kEntriesPerFile; ++i) {
        const QByteArray n = QByteArray::number(i);
        if (i % 2 == 0) {
            bytes += "<SP>~Message:" + n + "~\"Text number " + n + " of file " +
                     QByteArray::number(file) + "<1310>with %s1% and %s2%.\"\r\n";
        } else {
            bytes +=
                "MainForm~Control" + n + "W~\"Caption " + n + "\"~\"Hint " + n + "<9>über\"\r\n";
        }
        if (i % 100 == 0) {
            bytes += "; section " + n + "\r\n";
        }
    }
    return bytes;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A file far beyond any real catalog: 40 MB of entries and one line of 10 MB.
void BenchLargeFile(const QTemporaryDir& dir, const CodePages& codePages) {
    QByteArray bytes;
    for (int i = 0; bytes.size() < 40 * 1024 * 1024; ++i) {
        bytes += "<SP>~Key" + QByteArray::number(i) + "~\"Some text<9>here\"~\"hint\"\n";
    }
    bytes += "<SP>~Long~\"";
    while (bytes.size() < 50 * 1024 * 1024) {
        bytes += "<1310>~x~";
    }
    bytes += "\"\n";
    QFile out(dir.filePath("large/0409.lcl"));
    if (!QDir(dir.path()).mkpath("large") || !out.open(QIODevice::WriteOnly) ||
        out.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "catalog_bench: cannot write %s\n", qPrintable(out.fileName()));
        return;
    }
    out.close();
    Catalog catalog(codePages, 0x0409);
    const auto start = std::chrono::steady_clock::now();
    catalog.Load(dir.filePath("large").toStdString());
    const double ms = Milliseconds(std::chrono::steady_clock::now() - start);
    const double megabytes = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
    std::printf(
        "large file: %.1f MB, %zu entries in %.1f ms (%.1f ms per MB)\n", megabytes,
        catalog.Languages().empty() ? std::size_t{0} : catalog.Languages()[0]->Strings.size(), ms,
        ms / megabytes);
}

}  // namespace

int main() {
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "catalog_bench: no temporary folder\n");
        return 1;
    }
    qint64 totalBytes = 0;
    for (int file = 0; file < kFiles; ++file) {
        const QByteArray bytes = MakeCatalogFile(file);
        QFile out(dir.filePath(QString::number(0x0401 + file, 16) + ".lcl"));
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "catalog_bench: cannot write %s\n", qPrintable(out.fileName()));
            return 1;
        }
        totalBytes += bytes.size();
    }

    const IcuCodePages codePages;
    Catalog catalog(codePages, 0x0407);
    const auto loadStart = std::chrono::steady_clock::now();
    catalog.Load(dir.path().toStdString());
    const double loadMs = Milliseconds(std::chrono::steady_clock::now() - loadStart);
    const double megabytes = static_cast<double>(totalBytes) / (1024.0 * 1024.0);
    std::printf("load: %d files, %zu sets, %.2f MB in %.1f ms (%.1f ms per MB)\n", kFiles,
                catalog.Languages().size(), megabytes, loadMs, loadMs / megabytes);

    std::mt19937 random(42);
    std::uniform_int_distribution<int> pick(0, kEntriesPerFile / 2 - 1);
    std::vector<std::string> keys;
    keys.reserve(kLookups);
    for (int i = 0; i < kLookups; ++i) {
        keys.push_back("Message:" + std::to_string(2 * pick(random)));
    }
    std::size_t found = 0;
    const QString fallback = QStringLiteral("default");
    const auto lookupStart = std::chrono::steady_clock::now();
    for (const auto& key : keys) {
        found += catalog.GetMessageText(0x0405, key, fallback) != fallback ? 1 : 0;
    }
    const double lookupMs = Milliseconds(std::chrono::steady_clock::now() - lookupStart);
    std::printf("lookup: %d messages (%zu found) in %.1f ms (%.0f ns per lookup)\n", kLookups,
                found, lookupMs, lookupMs * 1e6 / kLookups);
    BenchLargeFile(dir, codePages);
    return 0;
}
