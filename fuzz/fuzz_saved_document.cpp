// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Arbitrary bytes as the saved document. Decoding never crashes, and what decodes is written
// back in a form that decodes again to the same document.

#include "PersistedState.h"

#include <cstdint>
#include <cstdlib>

using namespace Quorel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<PersistedState> decoded = decodePersistedState(bytes);
    if (!decoded) {
        return 0;
    }
    // A loaded document must always be savable again.
    const std::optional<QByteArray> encoded = encodePersistedState(*decoded);
    if (!encoded) {
        std::abort();
    }
    const std::optional<PersistedState> again = decodePersistedState(*encoded);
    if (!again || encodePersistedState(*again) != encoded) {
        std::abort();
    }
    return 0;
}
