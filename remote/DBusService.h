// The running copy's D-Bus service: the interface io.github.quillane.Vantrel1 at
// /io/github/quillane/Vantrel under the name io.github.quillane.Vantrel. Each method is one
// command; a failed command answers with the error io.github.quillane.Vantrel1.Error.Failed.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>

#include "remote/RemoteCommands.h"

class DBusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.quillane.Vantrel1")

  public:
    // Registers the object, then the name, on the connection. The target must outlive this.
    DBusService(RemoteTarget& target, const QDBusConnection& connection);
    ~DBusService() override;
    // True when the name is ours: false without a bus, or when another copy has it.
    bool Registered() const { return registered_; }

  public slots:
    QString List();
    void Clone(const QString& window, int display, bool natural);
    void Release(const QString& window, int display);
    void Identify();
    void Show();
    void Hide();
    void Quit();
    void SetPointer(bool visible);

  private:
    QString Run(const RemoteRequest& request);

    RemoteTarget& target_;
    QDBusConnection connection_;
    bool registered_ = false;
};
