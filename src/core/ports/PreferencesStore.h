// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace Quorel {

// The user's preferences: byte values under string keys.
class PreferencesStore {
public:
    virtual ~PreferencesStore() = default;

    // The value stored under key; nullopt when there is none. A value that exists but cannot be
    // read comes back as empty bytes, so the caller can tell it from no value at all.
    virtual std::optional<QByteArray> data(const QString& key) const = 0;

    // Replaces the value under key in one atomic step; false when nothing was written.
    virtual bool setData(const QString& key, const QByteArray& bytes) = 0;

    // Keeps the current value under key aside, where no later setData overwrites it: where it
    // went, for the user to find; empty when there was nothing to keep; nullopt on failure.
    virtual std::optional<QString> setAside(const QString& key) = 0;

    // Why the last setData or setAside failed, in words for the log; empty after a success.
    virtual QString lastError() const = 0;

    // Why the last data() came back as empty bytes ("it is larger than 64 MiB"); empty when
    // it read or there was no value.
    virtual QString readError() const = 0;
};

}  // namespace Quorel
