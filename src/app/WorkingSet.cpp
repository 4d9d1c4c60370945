// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "WorkingSet.h"

#include <QByteArray>
#include <QFile>

#include <sys/mman.h>

#include <cstdint>

namespace Quorel {

int trimWorkingSet() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly)) {
        return 0;
    }
    // Read whole first: the mappings change as pages are reclaimed below.
    const QList<QByteArray> lines = maps.readAll().split('\n');
    int trimmed = 0;
    for (const QByteArray& line : lines) {
        // "start-end perms offset dev inode path"; anonymous memory has inode 0 and no file.
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields.at(4) == "0" || !fields.at(5).startsWith('/')) {
            continue;
        }
        const QList<QByteArray> range = fields.at(0).split('-');
        bool startOk = false;
        bool endOk = false;
        const auto start = static_cast<std::uintptr_t>(range.value(0).toULongLong(&startOk, 16));
        const auto end = static_cast<std::uintptr_t>(range.value(1).toULongLong(&endOk, 16));
        if (!startOk || !endOk || end <= start) {
            continue;
        }
        // Only a hint: pages written to (relocations, a library's data) stay, as under pressure
        // without swap, and pages other processes map stay for them.
        if (madvise(reinterpret_cast<void*>(start), end - start, MADV_PAGEOUT) == 0) {
            ++trimmed;
        }
    }
    return trimmed;
}

}  // namespace Quorel
