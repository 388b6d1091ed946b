// Keeps the toolkit's xcb connection from ending in a crash when the X server goes away.
//
// The toolkit re-reads every screen (a dozen round trips) on each RandR event and on each
// ConfigureNotify reported to a root window, which includes every move of every top-level
// window on the desktop, and it does not survive a reply that is missing because the server
// went away in the middle. So a move of a top-level window reaches the toolkit only when the
// monitors really changed (the toolkit may have lost the root's own notice of that change
// when it merged queued ConfigureNotify events), and every screen announcement is preceded
// by a round trip: a server that no longer answers ends the program with its one line.
#pragma once

#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class X11ConnectionWatch final : public QObject, public QAbstractNativeEventFilter {
  public:
    // onLost is called when the server is gone; it must not return.
    X11ConnectionWatch(xcb_connection_t* connection, std::function<void()> onLost, QObject* parent);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override;

  private:
    bool ReportsTopLevelToRoot(const xcb_generic_event_t* event) const;
    bool AnnouncesScreens(const xcb_generic_event_t* event) const;
    bool IsRoot(xcb_window_t window) const;
    // Whether the monitors differ from the ones read last time; ends the program when the
    // server does not answer.
    bool MonitorsChanged();
    void CheckServerAnswers();
    std::optional<std::vector<std::uint32_t>> ReadMonitors();

    xcb_connection_t* connection_;
    std::function<void()> onLost_;
    int randrFirstEvent_ = -1;
    bool haveMonitors_ = false;
    std::vector<std::uint32_t> monitors_;
};
