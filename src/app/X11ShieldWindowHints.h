// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The shield's window hints on X11, sent on a connection of our own like the compositor's.
// Only the composition and the tests that link the X11 adapters include this.

#include "ShieldWindowHints.h"
#include "x11/X11ShieldHints.h"

#include <QWindow>

#include <cstdint>
#include <memory>

namespace Quorel {

class X11ShieldWindowHints final : public ShieldWindowHints {
public:
    explicit X11ShieldWindowHints(std::unique_ptr<X11ShieldHints> x) : m_x(std::move(x)) {}

    void beforeShow(QWindow& window) override {
        m_x->setBeforeMap(static_cast<std::uint32_t>(window.winId()));
    }
    void afterShow(QWindow& window) override {
        m_x->requestAfterMap(static_cast<std::uint32_t>(window.winId()));
    }

private:
    std::unique_ptr<X11ShieldHints> m_x;
};

}  // namespace Quorel
