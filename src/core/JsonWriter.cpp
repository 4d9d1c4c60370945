// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "JsonWriter.h"

namespace Quorel {

void JsonWriter::appendString(const QString& s) {
    static constexpr char hex[] = "0123456789abcdef";
    const QByteArray utf8 = s.toUtf8();
    m_out.append('"');
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            m_out.append('\\').append(c);
        } else if (byte < 0x20) {
            m_out.append("\\u00").append(hex[byte >> 4]).append(hex[byte & 0xF]);
        } else {
            m_out.append(c);
        }
    }
    m_out.append('"');
}

}  // namespace Quorel
