// Catalog files written to a temporary folder, in the encodings translators use.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <string>

#include "l10n/Localizer.h"

QByteArray Utf16Le(const QString& text, bool withMark = true);
QByteArray Utf16Be(const QString& text);
QByteArray Utf8WithMark(const QString& text);

// A temporary catalog folder. The catalog is emptied and the code page reset to Western
// both when it is made and when it goes.
class CatalogFolder {
  public:
    CatalogFolder();
    ~CatalogFolder();
    CatalogFolder(const CatalogFolder&) = delete;
    CatalogFolder& operator=(const CatalogFolder&) = delete;

    std::string Path() const { return dir_.path().toStdString(); }
    std::string FilePath(const QString& name) const { return dir_.filePath(name).toStdString(); }
    void Write(const QString& name, const QByteArray& bytes) const;
    void WriteText(const QString& name, const QString& text) const {
        Write(name, Utf8WithMark(text));
    }
    void Load() const { LoadCatalog(Path()); }

  private:
    QTemporaryDir dir_;
};

// The text of message key for langId, or "default" when the catalog has none.
QString Lookup(std::int32_t langId, const std::string& key = "k");
