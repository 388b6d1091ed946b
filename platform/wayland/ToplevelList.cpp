#include "platform/wayland/ToplevelList.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <algorithm>
#include <cstring>

#include <wayland-client.h>

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

struct ToplevelList::Entry {
    ToplevelList* owner = nullptr;
    zwlr_foreign_toplevel_handle_v1* handle = nullptr;
    WindowHandle id = 0;
    QString title;
    QString appId;
    bool ready = false;  // the first "done" arrived
};

struct ToplevelList::Callbacks {
    static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t version) {
        auto* list = static_cast<ToplevelList*>(data);
        if (list->manager_ != nullptr ||
            std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) != 0) {
            return;
        }
        list->manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(wl_registry_bind(
            registry, name, &zwlr_foreign_toplevel_manager_v1_interface, std::min(version, 2u)));
        zwlr_foreign_toplevel_manager_v1_add_listener(list->manager_, &kManager, list);
    }
    static void GlobalRemove(void*, wl_registry*, uint32_t) {}

    static void Toplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                         zwlr_foreign_toplevel_handle_v1* handle) {
        auto* list = static_cast<ToplevelList*>(data);
        auto entry = std::make_unique<Entry>();
        entry->owner = list;
        entry->handle = handle;
        entry->id = list->nextHandle_++;
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandle, entry.get());
        list->entries_.push_back(std::move(entry));
    }
    static void Finished(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
        auto* list = static_cast<ToplevelList*>(data);
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
        list->manager_ = nullptr;
    }

    static void Title(void* data, zwlr_foreign_toplevel_handle_v1*, const char* title) {
        static_cast<Entry*>(data)->title = QString::fromUtf8(title);
    }
    static void AppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId) {
        static_cast<Entry*>(data)->appId = QString::fromUtf8(appId);
    }
    static void Output(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void State(void*, zwlr_foreign_toplevel_handle_v1*, wl_array*) {}
    static void Done(void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* entry = static_cast<Entry*>(data);
        entry->ready = true;
        emit entry->owner->Changed();
    }
    static void Closed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
        auto* entry = static_cast<Entry*>(data);
        ToplevelList* list = entry->owner;
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
        std::erase_if(list->entries_, [entry](const auto& e) { return e.get() == entry; });
        emit list->Changed();
    }

    static constexpr wl_registry_listener kRegistry{Global, GlobalRemove};
    static constexpr zwlr_foreign_toplevel_manager_v1_listener kManager{Toplevel, Finished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener kHandle{Title, AppId, Output, Output,
                                                                      State, Done,  Closed};
};

ToplevelList::ToplevelList(QSet<QString> ownAppIds) : ownAppIds_(std::move(ownAppIds)) {
    display_ = wl_display_connect(nullptr);
    if (display_ == nullptr) {
        return;
    }
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &Callbacks::kRegistry, this);
    // The globals, then the toplevels the manager announces at once.
    if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) {
        Disconnect();
        return;
    }
    notifier_ =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &ToplevelList::Dispatch);
}

ToplevelList::~ToplevelList() {
    Disconnect();
}

void ToplevelList::Dispatch() {
    if (wl_display_dispatch(display_) < 0) {
        // The compositor went away: no more list.
        Disconnect();
        emit Changed();
        return;
    }
    wl_display_flush(display_);
}

void ToplevelList::Disconnect() {
    notifier_.reset();
    for (const auto& entry : entries_) {
        zwlr_foreign_toplevel_handle_v1_destroy(entry->handle);
    }
    entries_.clear();
    if (manager_ != nullptr) {
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
        manager_ = nullptr;
    }
    if (registry_ != nullptr) {
        wl_registry_destroy(registry_);
        registry_ = nullptr;
    }
    if (display_ != nullptr) {
        wl_display_disconnect(display_);
        display_ = nullptr;
    }
}

std::vector<ListedWindow> ToplevelList::Windows() const {
    std::vector<ListedWindow> windows;
    for (const auto& entry : entries_) {
        if (entry->ready && !entry->title.isEmpty() && !ownAppIds_.contains(entry->appId)) {
            windows.push_back({entry->id, entry->title});
        }
    }
    return windows;
}

WindowIdentity ToplevelList::Identify(WindowHandle window) const {
    for (const auto& entry : entries_) {
        if (entry->id == window && entry->ready) {
            WindowIdentity identity;
            identity.windowClass = entry->appId;
            identity.title = entry->title;
            return identity;
        }
    }
    return {};
}

QSet<QString> ToplevelList::OwnAppIds() {
    QSet<QString> ids;
    QString desktop = QGuiApplication::desktopFileName();
    if (desktop.endsWith(QStringLiteral(".desktop"))) {
        desktop.chop(8);
    }
    if (!desktop.isEmpty()) {
        ids.insert(desktop);
    }
    const QString file = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    ids.insert(file);
    const QStringList domain = QCoreApplication::organizationDomain().split(u'.');
    QStringList reversed(domain.rbegin(), domain.rend());
    reversed.removeAll(QString());
    if (!reversed.isEmpty()) {
        ids.insert(reversed.join(u'.') + u'.' + file);
    }
    return ids;
}
