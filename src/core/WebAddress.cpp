// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The WHATWG URL rules, as far as the guard needs them: scheme, host, port and path. Query and
// fragment are never judged, so reading stops where they begin.
#include "WebAddress.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <algorithm>
#include <array>

namespace Quorel {

namespace {

using CodePoints = QList<char32_t>;
constexpr char32_t endOfInput = 0xFFFFFFFF;

char32_t codePointAt(const QList<char32_t>& in, qsizetype i) {
    return i < in.size() ? in[i] : endOfInput;
}

bool isAsciiAlpha(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiDigit(char32_t c) {
    return c >= '0' && c <= '9';
}
bool isAsciiHex(char32_t c) {
    return isAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int hexValue(char32_t c) {
    return isAsciiDigit(c) ? int(c - '0') : int((c | 0x20) - 'a' + 10);
}

bool isForbiddenHostCodePoint(char32_t c) {
    switch (c) {
        case 0x00:
        case 0x09:
        case 0x0A:
        case 0x0D:
        case ' ':
        case '#':
        case '/':
        case ':':
        case '<':
        case '>':
        case '?':
        case '@':
        case '[':
        case '\\':
        case ']':
        case '^':
        case '|':
            return true;
        default:
            return false;
    }
}

bool isForbiddenDomainCodePoint(char32_t c) {
    return isForbiddenHostCodePoint(c) || c <= 0x1F || c == '%' || c == 0x7F;
}

bool inC0ControlSet(char32_t c) {
    return c < 0x20 || c > 0x7E;
}

bool inPathSet(char32_t c) {
    return inC0ControlSet(c) || c == ' ' || c == '"' || c == '#' || c == '<' || c == '>' ||
           c == '?' || c == '`' || c == '{' || c == '}';
}

void percentEncode(QString& out, char32_t c, bool (*inSet)(char32_t)) {
    if (!inSet(c)) {
        out.append(QChar(char16_t(c)));
        return;
    }
    const QByteArray bytes = QString::fromUcs4(&c, 1).toUtf8();
    for (const char byte : bytes) {
        static constexpr char digits[] = "0123456789ABCDEF";
        const auto value = static_cast<unsigned char>(byte);
        out.append(QLatin1Char('%'));
        out.append(QLatin1Char(digits[value >> 4]));
        out.append(QLatin1Char(digits[value & 0xF]));
    }
}

CodePoints codePointsOf(QStringView text) {
    CodePoints out;
    out.reserve(text.size());
    for (const uint c : text.toUcs4()) {
        out.append(char32_t(c));
    }
    return out;
}

QString toQString(const CodePoints& cps, qsizetype from, qsizetype to) {
    return QString::fromUcs4(cps.constData() + from, to - from);
}

int defaultPort(const QString& scheme) {
    if (scheme == u"http" || scheme == u"ws") {
        return 80;
    }
    if (scheme == u"https" || scheme == u"wss") {
        return 443;
    }
    return scheme == u"ftp" ? 21 : -1;
}

bool isSpecial(const QString& scheme) {
    return defaultPort(scheme) != -1 || scheme == u"file";
}

// --- Hosts

// Decimal, octal ("0" first) or hexadecimal ("0x" first); large values saturate, since any value
// past 2^32 fails the same way.
std::optional<quint64> parseIPv4Number(QStringView text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    int radix = 10;
    if (text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        text = text.mid(2);
        radix = 16;
    } else if (text.size() >= 2 && text[0] == u'0') {
        text = text.mid(1);
        radix = 8;
    }
    quint64 value = 0;
    for (const QChar ch : text) {
        const char32_t c = ch.unicode();
        const bool valid = radix == 16 ? isAsciiHex(c) : (isAsciiDigit(c) && int(c - '0') < radix);
        if (!valid) {
            return std::nullopt;
        }
        value = std::min<quint64>(value * quint64(radix) + quint64(hexValue(c)), 1ULL << 40);
    }
    return value;
}

bool endsInANumber(const QString& domain) {
    QList<QStringView> parts = QStringView(domain).split(u'.');
    if (parts.last().isEmpty()) {
        if (parts.size() == 1) {
            return false;
        }
        parts.removeLast();
    }
    const QStringView last = parts.last();
    const bool allDigits = !last.isEmpty() && std::all_of(last.begin(), last.end(), [](QChar c) {
        return isAsciiDigit(c.unicode());
    });
    return allDigits || parseIPv4Number(last).has_value();
}

std::optional<QString> parseIPv4(const QString& domain) {
    QList<QStringView> parts = QStringView(domain).split(u'.');
    if (parts.last().isEmpty() && parts.size() > 1) {
        parts.removeLast();
    }
    if (parts.size() > 4) {
        return std::nullopt;
    }
    QList<quint64> numbers;
    for (const QStringView part : parts) {
        const std::optional<quint64> number = parseIPv4Number(part);
        if (!number) {
            return std::nullopt;
        }
        numbers.append(*number);
    }
    for (qsizetype i = 0; i + 1 < numbers.size(); ++i) {
        if (numbers[i] > 255) {
            return std::nullopt;
        }
    }
    if (numbers.last() >= (1ULL << (8 * (5 - numbers.size())))) {
        return std::nullopt;
    }
    quint64 address = numbers.last();
    for (qsizetype i = 0; i + 1 < numbers.size(); ++i) {
        address += numbers[i] << (8 * (3 - i));
    }
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

std::optional<QString> parseIPv6(const CodePoints& in) {
    std::array<quint16, 8> address{};
    int pieceIndex = 0;
    int compress = -1;
    qsizetype p = 0;
    const auto at = [&in](qsizetype i) { return codePointAt(in, i); };
    if (at(p) == ':') {
        if (at(p + 1) != ':') {
            return std::nullopt;
        }
        p += 2;
        compress = ++pieceIndex;
    }
    while (at(p) != endOfInput) {
        if (pieceIndex == 8) {
            return std::nullopt;
        }
        if (at(p) == ':') {
            if (compress != -1) {
                return std::nullopt;
            }
            ++p;
            compress = ++pieceIndex;
            continue;
        }
        int value = 0;
        int length = 0;
        while (length < 4 && isAsciiHex(at(p))) {
            value = value * 16 + hexValue(at(p));
            ++p;
            ++length;
        }
        if (at(p) == '.') {
            // The last 32 bits written as IPv4.
            if (length == 0 || pieceIndex > 6) {
                return std::nullopt;
            }
            p -= length;
            int numbersSeen = 0;
            while (at(p) != endOfInput) {
                int piece = -1;
                if (numbersSeen > 0) {
                    if (at(p) != '.' || numbersSeen >= 4) {
                        return std::nullopt;
                    }
                    ++p;
                }
                if (!isAsciiDigit(at(p))) {
                    return std::nullopt;
                }
                while (isAsciiDigit(at(p))) {
                    const int digit = int(at(p) - '0');
                    if (piece == 0) {
                        return std::nullopt;
                    }
                    piece = piece == -1 ? digit : piece * 10 + digit;
                    if (piece > 255) {
                        return std::nullopt;
                    }
                    ++p;
                }
                address[size_t(pieceIndex)] = quint16(address[size_t(pieceIndex)] * 0x100 + piece);
                ++numbersSeen;
                if (numbersSeen == 2 || numbersSeen == 4) {
                    ++pieceIndex;
                }
            }
            if (numbersSeen != 4) {
                return std::nullopt;
            }
            break;
        }
        if (at(p) == ':') {
            ++p;
            if (at(p) == endOfInput) {
                return std::nullopt;
            }
        } else if (at(p) != endOfInput) {
            return std::nullopt;
        }
        address[size_t(pieceIndex++)] = quint16(value);
    }
    if (compress != -1) {
        int swaps = pieceIndex - compress;
        pieceIndex = 7;
        while (pieceIndex != 0 && swaps > 0) {
            std::swap(address[size_t(pieceIndex)], address[size_t(compress + swaps - 1)]);
            --pieceIndex;
            --swaps;
        }
    } else if (pieceIndex != 8) {
        return std::nullopt;
    }

    // The first longest run of two or more zero pieces is written "::".
    int runStart = -1;
    int runLength = 1;
    for (int i = 0; i < 8;) {
        int j = i;
        while (j < 8 && address[size_t(j)] == 0) {
            ++j;
        }
        if (j - i > runLength) {
            runStart = i;
            runLength = j - i;
        }
        i = j == i ? i + 1 : j;
    }
    QString out = QStringLiteral("[");
    for (int i = 0; i < 8; ++i) {
        if (i == runStart) {
            out += i == 0 ? QStringLiteral("::") : QStringLiteral(":");
            i += runLength - 1;
            continue;
        }
        out += QString::number(address[size_t(i)], 16);
        if (i != 7) {
            out += QLatin1Char(':');
        }
    }
    return out + QLatin1Char(']');
}

bool isAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

// UTS #46 as browsers apply it, through Qt's implementation. Qt refuses a whole name for one label
// it finds invalid (empty, a hyphen at an edge, ASCII punctuation beside other letters), where
// browsers take it: then each label is converted alone, and one that Qt cannot convert is kept as
// written, in lower case, so that the rest of the name still tells whose site it is.
QString domainToAscii(const QString& domain) {
    if (isAscii(domain)) {
        return domain.toLower();
    }
    const QByteArray whole = QUrl::toAce(domain);
    if (!whole.isEmpty()) {
        return QString::fromLatin1(whole);
    }
    QString dotted = domain;
    for (const char16_t dot : {u'\u3002', u'\uFF0E', u'\uFF61'}) {
        dotted.replace(QChar(dot), QLatin1Char('.'));
    }
    QStringList labels = dotted.split(QLatin1Char('.'));
    for (QString& label : labels) {
        label.remove(QChar(0xAD));  // browsers drop a soft hyphen wherever it stands
        const QByteArray ace = isAscii(label) ? QByteArray() : QUrl::toAce(label);
        label = ace.isEmpty() ? label.toLower() : QString::fromLatin1(ace);
    }
    return labels.join(QLatin1Char('.'));
}

std::optional<QString> parseHost(const CodePoints& in, bool special) {
    if (!in.isEmpty() && in.first() == '[') {
        if (in.last() != ']') {
            return std::nullopt;
        }
        return parseIPv6(in.mid(1, in.size() - 2));
    }
    if (!special) {
        QString opaque;
        for (const char32_t c : in) {
            if (c != '%' && isForbiddenHostCodePoint(c)) {
                return std::nullopt;
            }
            percentEncode(opaque, c, inC0ControlSet);
        }
        return opaque;
    }
    // Percent escapes are read as UTF-8 bytes; what is not a whole escape stays as written.
    const QByteArray raw = QString::fromUcs4(in.constData(), in.size()).toUtf8();
    QByteArray bytes;
    bytes.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == '%' && i + 2 < raw.size() && isAsciiHex(char32_t(raw[i + 1])) &&
            isAsciiHex(char32_t(raw[i + 2]))) {
            bytes.append(
                char(hexValue(char32_t(raw[i + 1])) * 16 + hexValue(char32_t(raw[i + 2]))));
            i += 2;
        } else {
            bytes.append(raw[i]);
        }
    }
    const QString ascii = domainToAscii(QString::fromUtf8(bytes));
    if (ascii.isEmpty() || std::any_of(ascii.begin(), ascii.end(), [](QChar c) {
            return isForbiddenDomainCodePoint(c.unicode());
        })) {
        return std::nullopt;
    }
    return endsInANumber(ascii) ? parseIPv4(ascii) : ascii;
}

// --- Paths

bool isSingleDot(const QString& segment) {
    return segment == u"." || segment.compare(u"%2e", Qt::CaseInsensitive) == 0;
}

bool isDoubleDot(const QString& segment) {
    for (const char16_t* form : {u"..", u".%2e", u"%2e.", u"%2e%2e"}) {
        if (segment.compare(QStringView(form), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

// From the path's first code point to the query or fragment. A special address's path always
// starts with a slash, which the first separator gives.
QString parsePath(const CodePoints& in, qsizetype p, bool special) {
    const auto at = [&in](qsizetype i) { return codePointAt(in, i); };
    const auto isSlash = [special](char32_t c) { return c == '/' || (special && c == '\\'); };
    QStringList segments;
    QString buffer;
    for (;; ++p) {
        const char32_t c = at(p);
        if (c != endOfInput && !isSlash(c) && c != '?' && c != '#') {
            percentEncode(buffer, c, inPathSet);
            continue;
        }
        if (isDoubleDot(buffer)) {
            if (!segments.isEmpty()) {
                segments.removeLast();
            }
            if (!isSlash(c)) {
                segments.append(QString());
            }
        } else if (isSingleDot(buffer)) {
            if (!isSlash(c)) {
                segments.append(QString());
            }
        } else {
            segments.append(buffer);
        }
        buffer.clear();
        if (!isSlash(c)) {
            break;
        }
    }
    QString path;
    for (const QString& segment : segments) {
        path += QLatin1Char('/') + segment;
    }
    return path;
}

}  // namespace

std::optional<WebAddress> parseWebAddress(QStringView text) {
    CodePoints in;
    in.reserve(text.size());
    for (const char32_t c : codePointsOf(text)) {
        // Tabs and newlines vanish wherever they stand; a lone surrogate reads as U+FFFD.
        if (c != 0x09 && c != 0x0A && c != 0x0D) {
            in.append(c >= 0xD800 && c <= 0xDFFF ? char32_t(0xFFFD) : c);
        }
    }
    qsizetype begin = 0;
    qsizetype end = in.size();
    while (begin < end && in[begin] <= 0x20) {
        ++begin;
    }
    while (end > begin && in[end - 1] <= 0x20) {
        --end;
    }
    in = in.mid(begin, end - begin);
    const auto at = [&in](qsizetype i) { return codePointAt(in, i); };

    qsizetype p = 0;
    if (!isAsciiAlpha(at(p))) {
        return std::nullopt;
    }
    while (isAsciiAlpha(at(p)) || isAsciiDigit(at(p)) || at(p) == '+' || at(p) == '-' ||
           at(p) == '.') {
        ++p;
    }
    if (at(p) != ':') {
        return std::nullopt;
    }
    WebAddress address;
    address.scheme = toQString(in, 0, p).toLower();
    ++p;
    const bool special = isSpecial(address.scheme);
    const auto isSlash = [special](char32_t c) { return c == '/' || (special && c == '\\'); };

    if (address.scheme == u"file") {
        if (isSlash(at(p)) && isSlash(at(p + 1))) {
            p += 2;
            qsizetype hostEnd = p;
            while (at(hostEnd) != endOfInput && !isSlash(at(hostEnd)) && at(hostEnd) != '?' &&
                   at(hostEnd) != '#') {
                ++hostEnd;
            }
            if (hostEnd > p) {
                const std::optional<QString> host = parseHost(in.mid(p, hostEnd - p), true);
                if (!host) {
                    return std::nullopt;
                }
                address.host = *host == u"localhost" ? QString() : *host;
            }
            p = hostEnd;
        }
        address.path = parsePath(in, isSlash(at(p)) ? p + 1 : p, true);
        return address;
    }

    const bool hasAuthority = special || (at(p) == '/' && at(p + 1) == '/');
    if (!hasAuthority) {
        if (at(p) == '/') {
            address.path = parsePath(in, p + 1, false);
        } else {
            // An opaque path ("about:blank", "view-source:..."): no host to judge.
            for (; at(p) != endOfInput && at(p) != '?' && at(p) != '#'; ++p) {
                percentEncode(address.path, at(p), inC0ControlSet);
            }
        }
        return address;
    }
    if (special) {
        // Any number of slashes, either way round, may stand before a special address's host.
        while (isSlash(at(p))) {
            ++p;
        }
    } else {
        p += 2;
    }
    qsizetype authorityEnd = p;
    while (at(authorityEnd) != endOfInput && !isSlash(at(authorityEnd)) &&
           at(authorityEnd) != '?' && at(authorityEnd) != '#') {
        ++authorityEnd;
    }
    // User and password come before the last "@"; what follows is the host.
    qsizetype hostBegin = p;
    for (qsizetype i = p; i < authorityEnd; ++i) {
        if (in[i] == '@') {
            hostBegin = i + 1;
        }
    }
    if (hostBegin > p && hostBegin == authorityEnd) {
        return std::nullopt;
    }
    qsizetype hostEnd = hostBegin;
    for (bool inBrackets = false; hostEnd < authorityEnd; ++hostEnd) {
        if (in[hostEnd] == '[') {
            inBrackets = true;
        } else if (in[hostEnd] == ']') {
            inBrackets = false;
        } else if (in[hostEnd] == ':' && !inBrackets) {
            break;
        }
    }
    if (hostEnd == hostBegin && (special || hostEnd < authorityEnd)) {
        return std::nullopt;
    }
    if (hostEnd > hostBegin) {
        const std::optional<QString> host =
            parseHost(in.mid(hostBegin, hostEnd - hostBegin), special);
        if (!host) {
            return std::nullopt;
        }
        address.host = *host;
    }
    if (hostEnd < authorityEnd) {
        quint64 port = 0;
        for (qsizetype i = hostEnd + 1; i < authorityEnd; ++i) {
            if (!isAsciiDigit(in[i])) {
                return std::nullopt;
            }
            port = std::min<quint64>(port * 10 + (in[i] - '0'), 1ULL << 20);
        }
        if (port > 65535) {
            return std::nullopt;
        }
        if (authorityEnd > hostEnd + 1 && int(port) != defaultPort(address.scheme)) {
            address.port = int(port);
        }
    }
    p = authorityEnd;
    if (special || isSlash(at(p))) {
        address.path = parsePath(in, isSlash(at(p)) ? p + 1 : p, special);
    }
    return address;
}

QString canonicalHost(QStringView host) {
    const CodePoints cps = codePointsOf(host.trimmed());
    if (cps.isEmpty() || std::any_of(cps.begin(), cps.end(), [](char32_t c) {
            return c == '/' || c == '\\' || c == '?' || c == '#' || c == '@';
        })) {
        return {};
    }
    return parseHost(cps, true).value_or(QString());
}

}  // namespace Quorel
