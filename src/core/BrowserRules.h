// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "UrlRules.h"
#include "ports/BrowserScripting.h"

#include <QString>

#include <optional>

namespace Quorel {

// Browsers take a bounded number of rules, and one message to them takes 1 MiB: hosts beyond
// this many (adult sites first, then the list in its order) are left to the front-tab check.
inline constexpr qsizetype maxRuleHosts = 4000;

// A listed domain as a browser rule names it: lower case, in punycode, without a closing dot;
// nullopt when it is no host name at all ("example.org/path", "[::1]", "a b"), which never
// matches a host anyway.
std::optional<QString> ruleHost(const QString& domain);

// The rules a browser enforces by itself for snapshot: the adult sites while that guard is on,
// the enabled sites while focus runs (lifting at focusEndsAt, ms since the epoch), and the
// Shorts and Reels switches. Hosts that are no host names are left out, and repeats once.
BrowserRules browserRulesFor(const GuardSnapshot& snapshot, qint64 focusEndsAt);

// Whether a browser holding rules a must be told b: the end of focus counts as moved only by
// more than tolerance ms, as the countdown and the wall clock go at slightly different paces.
bool rulesDiffer(const BrowserRules& a, const BrowserRules& b, qint64 toleranceMs);

}  // namespace Quorel
