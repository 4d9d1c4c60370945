// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace Quorel {

// An address as a browser reads it (the WHATWG URL rules), reduced to what the guard looks at.
// Browsers load addresses that a strict parser refuses ("?q={x}", "/a%zz", "https:\\host"), so
// the guard must read them the same way, or one odd character gets a blocked site through.
struct WebAddress {
    QString scheme;  // lower case, without the colon
    // As browsers write it: ASCII, lower case, international names in punycode, IPv4 in dotted
    // decimal, IPv6 in brackets; a closing dot is kept. Empty when the address has none.
    QString host;
    int port = -1;  // -1: none written, or the scheme's default
    QString path;   // written as browsers send it: dot segments resolved, percent-encoded
};

// The address, or nullopt where a browser would not read it as an absolute address either.
// Where a browser reads a host, this reads the same one. Where a browser refuses a host (a bad
// punycode label, a misplaced joiner) this may still read one: the guard then judges an address
// no browser loads, which costs nothing.
std::optional<WebAddress> parseWebAddress(QStringView text);

// A host typed on its own ("Bücher.DE", "127.1", "example.org."), written as parseWebAddress
// writes hosts; empty when it is not one.
QString canonicalHost(QStringView host);

}  // namespace Quorel
