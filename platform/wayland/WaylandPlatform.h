// The Wayland backend: the compositor's window list where it publishes one, windows chosen
// in the screen-cast portal's picker, clones drawn from PipeWire streams. Creating it
// touches no display; the guard and the language work before the toolkit starts, the rest
// attaches on first use (after QGuiApplication runs on its wayland platform).
#pragma once

#include <QDBusConnection>
#include <QString>

#include <memory>
#include <optional>

#include "platform/Platform.h"

struct WaylandOptions {
    std::optional<QDBusConnection> bus;  // default: the session bus
    QString stateFile;                   // default: RestoreTokenStore::DefaultPath()
    bool useToplevelList = true;         // false: behave as on a desktop without a list
};

// The returned platform also implements WindowPickerProvider (platform/WindowPicker.h).
std::unique_ptr<Platform> CreateWaylandPlatform();
std::unique_ptr<Platform> CreateWaylandPlatform(WaylandOptions options);

// Once QGuiApplication exists: whether it runs on its wayland platform.
bool QtRunsOnWayland();

// Before the toolkit starts: whether Qt will choose its wayland platform here
// (QT_QPA_PLATFORM names wayland first, or is unset in a Wayland session).
bool WaylandSessionExpected();
