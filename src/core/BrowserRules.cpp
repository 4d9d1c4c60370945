// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BrowserRules.h"

#include "WebAddress.h"

#include <QSet>

#include <cstdlib>

namespace Quorel {

namespace {

bool isHostLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
}

// Plain DNS letters in dot-separated labels of 1 to 63, at most 253 in all: what browsers take
// in a rule, so that one odd entry cannot have a browser refuse the whole set.
bool isRuleHost(const QString& host) {
    if (host.isEmpty() || host.size() > 253) {
        return false;
    }
    qsizetype label = 0;
    for (const QChar c : host) {
        if (c == u'.') {
            if (label == 0) {
                return false;
            }
            label = 0;
        } else if (!isHostLetter(c) || ++label > 63) {
            return false;
        }
    }
    return label > 0;
}

void appendHosts(QStringList& out, const QStringList& domains, QSet<QString>& seen) {
    for (const QString& domain : domains) {
        if (seen.size() >= maxRuleHosts) {
            return;
        }
        if (const std::optional<QString> host = ruleHost(domain); host && !seen.contains(*host)) {
            seen.insert(*host);
            out.append(*host);
        }
    }
}

}  // namespace

std::optional<QString> ruleHost(const QString& domain) {
    // Read as the front-tab check reads a listed entry, so both guard the same hosts.
    QString host = canonicalHost(domain);
    if (host.endsWith(u'.')) {
        host.chop(1);
    }
    if (!isRuleHost(host)) {
        return std::nullopt;
    }
    return host;
}

BrowserRules browserRulesFor(const GuardSnapshot& snapshot, qint64 focusEndsAt) {
    BrowserRules rules;
    QSet<QString> seen;
    if (snapshot.blockAdultSites) {
        appendHosts(rules.adultSites, snapshot.adultDomains, seen);
    }
    if (snapshot.focusActive) {
        appendHosts(rules.sites, snapshot.enabledSites, seen);
    }
    if (!rules.sites.isEmpty()) {
        rules.sitesUntil = focusEndsAt;
    }
    rules.blockYouTubeShorts = snapshot.blockYouTubeShorts;
    rules.blockInstagramReels = snapshot.blockInstagramReels;
    return rules;
}

bool rulesDiffer(const BrowserRules& a, const BrowserRules& b, qint64 toleranceMs) {
    BrowserRules aligned = b;
    if (std::llabs(a.sitesUntil - b.sitesUntil) <= toleranceMs && a.sitesUntil != 0 &&
        b.sitesUntil != 0) {
        aligned.sitesUntil = a.sitesUntil;
    }
    return !(a == aligned);
}

}  // namespace Quorel
