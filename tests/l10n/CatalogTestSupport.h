// Catalog files written to a temporary folder, in the encodings translators use, and the
// catalog that reads them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <string>

#include "l10n/Catalog.h"
#include "platform/IcuCodePages.h"

QByteArray Utf16Le(const QString& text, bool withMark = true);
QByteArray Utf16Be(const QString& text);
QByteArray Utf8WithMark(const QString& text);

// A temporary catalog folder and an empty catalog reading in the Western code page.
class CatalogFolder {
  public:
    CatalogFolder() { SetLanguage(0x0409); }
    CatalogFolder(const CatalogFolder&) = delete;
    CatalogFolder& operator=(const CatalogFolder&) = delete;

    std::string Path() const { return dir_.path().toStdString(); }
    std::string FilePath(const QString& name) const { return dir_.filePath(name).toStdString(); }
    void Write(const QString& name, const QByteArray& bytes) const;
    void WriteText(const QString& name, const QString& text) const {
        Write(name, Utf8WithMark(text));
    }

    // A new, empty catalog reading in the code page of langId.
    void SetLanguage(std::uint32_t langId) {
        catalog_ = std::make_unique<Catalog>(codePages_, langId);
    }
    void Load() { catalog_->Load(Path()); }
    void Load(const std::string& folder) { catalog_->Load(folder); }
    Catalog& Messages() { return *catalog_; }
    const CatalogCodePage& CodePage() const { return catalog_->CodePage(); }
    const CodePages& Encodings() const { return codePages_; }

    // The text of message key for langId, or "default" when the catalog has none.
    QString Lookup(std::int32_t langId, const std::string& key = "k") const;

  private:
    QTemporaryDir dir_;
    IcuCodePages codePages_;
    std::unique_ptr<Catalog> catalog_;
};
