// The one piece of state Vantrel keeps on Wayland: the restore tokens of the windows the
// user chose, so they come back at the next start without the picker. A JSON file in the
// user's state folder, replaced atomically on every change.
#pragma once

#include <QString>

#include <vector>

struct StoredWindow {
    int number = 0;  // the "Window n" the user saw
    QString token;
    friend bool operator==(const StoredWindow&, const StoredWindow&) = default;
};

class RestoreTokenStore {
  public:
    explicit RestoreTokenStore(QString filePath);
    // <AppLocalDataLocation>/wayland-windows.json
    static QString DefaultPath();

    // Entries with a positive number and a token; a missing or damaged file gives none.
    std::vector<StoredWindow> Load() const;
    // False when the file could not be written; the old file then stays as it was.
    bool Save(const std::vector<StoredWindow>& windows) const;
    const QString& FilePath() const { return filePath_; }

  private:
    QString filePath_;
};
