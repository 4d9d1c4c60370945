// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>

#include <cmath>

namespace Quorel {

// Compact JSON written straight into bytes. QJsonObject keeps its keys sorted and inserts in
// linear time, which makes a document with years of per-day keys quadratic to build.
class JsonWriter {
public:
    explicit JsonWriter(qsizetype reserve = 0) { m_out.reserve(reserve); }

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }

    void key(QLatin1String name) {
        separate();
        m_out.append('"').append(name.data(), name.size()).append("\":");
        m_afterKey = true;
    }
    void key(const QString& name) {
        separate();
        appendString(name);
        m_out.append(':');
        m_afterKey = true;
    }

    // One member: the key, then its value.
    template <typename T>
    void field(QLatin1String name, const T& v) {
        key(name);
        value(v);
    }

    void value(qint64 v) {
        separate();
        m_out.append(QByteArray::number(v));
    }
    void value(int v) { value(qint64(v)); }
    void value(bool v) {
        separate();
        m_out.append(v ? "true" : "false");
    }
    // JSON has no NaN or infinity: such a value fails the whole document.
    void value(double v) {
        separate();
        if (!std::isfinite(v)) {
            m_failed = true;
            m_out.append('0');
            return;
        }
        m_out.append(QByteArray::number(v, 'g', QLocale::FloatingPointShortest));
    }
    void value(const QString& v) {
        separate();
        appendString(v);
    }

    // A value already written as JSON, kept as it came (keys a later release wrote).
    void rawValue(const QByteArray& json) {
        separate();
        m_out.append(json);
    }

    bool failed() const { return m_failed; }
    QByteArray take() { return std::move(m_out); }

private:
    void open(char c) {
        separate();
        m_out.append(c);
        m_first = true;
    }
    void close(char c) {
        m_out.append(c);
        m_first = false;
    }
    void separate() {
        if (m_afterKey) {
            m_afterKey = false;
            return;
        }
        if (!m_first) {
            m_out.append(',');
        }
        m_first = false;
    }
    void appendString(const QString& s);

    QByteArray m_out;
    bool m_first = true;
    bool m_afterKey = false;
    bool m_failed = false;
};

}  // namespace Quorel
