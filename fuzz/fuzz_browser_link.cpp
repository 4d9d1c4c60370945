// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Arbitrary bytes as a stream of browser-link frames, fed in chunks of a size the first byte
// picks. Whatever arrives, the decoder gives exactly the frames that a plain reading of the
// whole stream finds (frames over the cap and empty ones skipped by their length), each within
// the cap, and never holds more than a chunk and one frame.

#include "browser/BrowserLinkProtocol.h"

#include <QList>

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace Quorel;

namespace {

constexpr qsizetype cap = 64;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

QList<QByteArray> plainReading(QByteArrayView stream) {
    QList<QByteArray> frames;
    while (stream.size() >= 4) {
        std::uint32_t length = 0;
        std::memcpy(&length, stream.data(), sizeof length);
        stream = stream.sliced(4);
        if (length > static_cast<std::uint64_t>(stream.size())) {
            break;
        }
        if (length != 0 && length <= cap) {
            frames.append(stream.first(length).toByteArray());
        }
        stream = stream.sliced(length);
    }
    return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const qsizetype chunk = 1 + data[0] % 97;
    const QByteArrayView stream(reinterpret_cast<const char*>(data) + 1,
                                static_cast<qsizetype>(size) - 1);
    FrameDecoder decoder(cap);
    QList<QByteArray> frames;
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        decoder.append(stream.sliced(at, std::min(chunk, stream.size() - at)));
        while (std::optional<QByteArray> frame = decoder.next()) {
            require(!frame->isEmpty() && frame->size() <= cap);
            frames.append(*frame);
        }
    }
    require(frames == plainReading(stream));
    return 0;
}
