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
    // Spelled out so that the listing's out argument has a name in the introspection data.
    Q_CLASSINFO("D-Bus Introspection",
                "  <interface name=\"io.github.quillane.Vantrel1\">\n"
                "    <method name=\"List\"><arg name=\"listing\" type=\"s\" direction=\"out\"/>"
                "</method>\n"
                "    <method name=\"Clone\"><arg name=\"window\" type=\"s\" direction=\"in\"/>"
                "<arg name=\"display\" type=\"i\" direction=\"in\"/>"
                "<arg name=\"natural\" type=\"b\" direction=\"in\"/></method>\n"
                "    <method name=\"Keep\"><arg name=\"window\" type=\"s\" direction=\"in\"/>"
                "<arg name=\"display\" type=\"i\" direction=\"in\"/>"
                "<arg name=\"natural\" type=\"b\" direction=\"in\"/></method>\n"
                "    <method name=\"CloneWith\"><arg name=\"window\" type=\"s\" "
                "direction=\"in\"/><arg name=\"display\" type=\"i\" direction=\"in\"/>"
                "<arg name=\"keep\" type=\"b\" direction=\"in\"/>"
                "<arg name=\"mode\" type=\"s\" direction=\"in\"/>"
                "<arg name=\"crop\" type=\"s\" direction=\"in\"/>"
                "<arg name=\"transform\" type=\"s\" direction=\"in\"/></method>\n"
                "    <method name=\"Forget\"><arg name=\"window\" type=\"s\" direction=\"in\"/>"
                "<arg name=\"display\" type=\"i\" direction=\"in\"/></method>\n"
                "    <method name=\"Release\"><arg name=\"window\" type=\"s\" direction=\"in\"/>"
                "<arg name=\"display\" type=\"i\" direction=\"in\"/></method>\n"
                "    <method name=\"Identify\"/>\n"
                "    <method name=\"Show\"/>\n"
                "    <method name=\"Hide\"/>\n"
                "    <method name=\"Quit\"/>\n"
                "    <method name=\"SetPointer\"><arg name=\"visible\" type=\"b\" "
                "direction=\"in\"/></method>\n"
                "  </interface>\n")

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
    // Clones the window on the display, as Clone does, and keeps the clone.
    void Keep(const QString& window, int display, bool natural);
    // Clones the window on the display (or changes its open clone) with a mode, a crop
    // (WxH+X+Y in the window's pixels) and a transform, each as --clone takes them and
    // empty to leave it; keeps the clone when keep is true.
    void CloneWith(const QString& window, int display, bool keep, const QString& mode,
                   const QString& crop, const QString& transform);
    // Stops keeping the window's clone on the display and closes it.
    void Forget(const QString& window, int display);
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
