// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "WaylandIdleNotify.h"

#include <QSocketNotifier>

#include <ext-idle-notify-v1-client-protocol.h>
#include <kde-idle-client-protocol.h>
#include <wayland-client.h>

#include <cstring>

namespace Quorel {

struct WaylandIdleNotify::Wayland {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* notifier = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    ext_idle_notification_v1* notification = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout = nullptr;
    bool idle = false;

    Wayland() = default;
    Wayland(const Wayland&) = delete;
    Wayland& operator=(const Wayland&) = delete;

    ~Wayland() {
        dropNotification();
        if (notifier != nullptr) {
            ext_idle_notifier_v1_destroy(notifier);
        }
        if (kdeIdle != nullptr) {
            org_kde_kwin_idle_destroy(kdeIdle);
        }
        if (seat != nullptr) {
            wl_seat_destroy(seat);
        }
        if (registry != nullptr) {
            wl_registry_destroy(registry);
        }
        if (display != nullptr) {
            wl_display_disconnect(display);
        }
    }

    void dropNotification() {
        if (notification != nullptr) {
            ext_idle_notification_v1_destroy(notification);
            notification = nullptr;
        }
        if (kdeTimeout != nullptr) {
            org_kde_kwin_idle_timeout_release(kdeTimeout);
            kdeTimeout = nullptr;
        }
        idle = false;
    }

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t) {
        auto* wl = static_cast<Wayland*>(data);
        // Version 1 of each is all we use; every compositor that has one has that.
        if (wl->seat == nullptr && std::strcmp(interface, wl_seat_interface.name) == 0) {
            wl->seat =
                static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        } else if (wl->notifier == nullptr &&
                   std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
            wl->notifier = static_cast<ext_idle_notifier_v1*>(
                wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
        } else if (wl->kdeIdle == nullptr &&
                   std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
            wl->kdeIdle = static_cast<org_kde_kwin_idle*>(
                wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
        }
    }
    static void globalRemove(void*, wl_registry*, uint32_t) {}
    static constexpr wl_registry_listener registryListener{.global = global,
                                                           .global_remove = globalRemove};

    static void setIdle(void* data, bool idle) { static_cast<Wayland*>(data)->idle = idle; }
    static constexpr ext_idle_notification_v1_listener notificationListener{
        .idled = [](void* data, ext_idle_notification_v1*) { setIdle(data, true); },
        .resumed = [](void* data, ext_idle_notification_v1*) { setIdle(data, false); },
    };
    static constexpr org_kde_kwin_idle_timeout_listener kdeTimeoutListener{
        .idle = [](void* data, org_kde_kwin_idle_timeout*) { setIdle(data, true); },
        .resumed = [](void* data, org_kde_kwin_idle_timeout*) { setIdle(data, false); },
    };
};

WaylandIdleNotify::WaylandIdleNotify(std::unique_ptr<Wayland> wayland) : m_wl(std::move(wayland)) {
    m_notifier = new QSocketNotifier(wl_display_get_fd(m_wl->display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readEvents(); });
}

WaylandIdleNotify::~WaylandIdleNotify() = default;

std::unique_ptr<WaylandIdleNotify> WaylandIdleNotify::create(const QString& displayName) {
    auto wl = std::make_unique<Wayland>();
    const QByteArray name = displayName.toLocal8Bit();
    wl->display = wl_display_connect(name.isEmpty() ? nullptr : name.constData());
    if (wl->display == nullptr) {
        return nullptr;
    }
    wl->registry = wl_display_get_registry(wl->display);
    wl_registry_add_listener(wl->registry, &Wayland::registryListener, wl.get());
    if (wl_display_roundtrip(wl->display) < 0 || wl->seat == nullptr ||
        (wl->notifier == nullptr && wl->kdeIdle == nullptr)) {
        return nullptr;
    }
    return std::unique_ptr<WaylandIdleNotify>(new WaylandIdleNotify(std::move(wl)));
}

WaylandIdleNotify::Protocol WaylandIdleNotify::protocol() const {
    return m_wl->notifier != nullptr ? Protocol::ExtIdleNotify : Protocol::KdeIdle;
}

bool WaylandIdleNotify::isIdleFor(std::chrono::milliseconds threshold) {
    if (!m_wl) {
        return false;
    }
    if (m_armed != threshold) {
        arm(threshold);
    }
    return m_wl->idle;
}

void WaylandIdleNotify::arm(std::chrono::milliseconds threshold) {
    m_wl->dropNotification();
    m_armed = threshold;
    const auto timeout = static_cast<uint32_t>(
        std::clamp<std::chrono::milliseconds::rep>(threshold.count(), 1, UINT32_MAX));
    if (m_wl->notifier != nullptr) {
        m_wl->notification =
            ext_idle_notifier_v1_get_idle_notification(m_wl->notifier, timeout, m_wl->seat);
        ext_idle_notification_v1_add_listener(m_wl->notification, &Wayland::notificationListener,
                                              m_wl.get());
    } else {
        m_wl->kdeTimeout = org_kde_kwin_idle_get_idle_timeout(m_wl->kdeIdle, m_wl->seat, timeout);
        org_kde_kwin_idle_timeout_add_listener(m_wl->kdeTimeout, &Wayland::kdeTimeoutListener,
                                               m_wl.get());
    }
    if (wl_display_flush(m_wl->display) < 0) {
        drop();
    }
}

void WaylandIdleNotify::readEvents() {
    // The notifier said there is something to read, so this does not block.
    if (wl_display_dispatch(m_wl->display) < 0) {
        drop();
        return;
    }
    wl_display_flush(m_wl->display);
}

// The compositor went away: nothing more to hear, and nobody to tell that we stopped listening.
void WaylandIdleNotify::drop() {
    m_notifier->setEnabled(false);
    m_wl.reset();
}

}  // namespace Quorel
