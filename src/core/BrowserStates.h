// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "BrowserFamily.h"
#include "ports/Workspace.h"

#include <QHash>
#include <QList>
#include <QString>

namespace Quorel {

// A browser installed or running, as the Blockers screen lists it: one per family the
// extension knows (under the family's name), one per other browser (under its own).
struct BrowserOnDesktop {
    QString name;
    BrowserFamily family = BrowserFamily::Unknown;
    bool running = false;

    friend bool operator==(const BrowserOnDesktop&, const BrowserOnDesktop&) = default;
};

// What the link says of one running family.
struct BrowserLinkState {
    bool guarded = false;               // its extension or DevTools endpoint answers
    bool privateWindowsUnseen = false;  // the extension may not see its private windows
    bool otherRelease = false;          // its extension speaks another release of the link
};

// How far Quorel guards websites in one browser, in a line for the Blockers screen.
struct BrowserStateLine {
    QString name;
    QString state;
    bool guarded = false;

    friend bool operator==(const BrowserStateLine&, const BrowserStateLine&) = default;
};

// The browsers among the installed and the running applications, sorted by name.
QList<BrowserOnDesktop> browsersOnDesktop(const QList<RunningApplication>& installed,
                                          const QList<RunningApplication>& running);

// One line per browser; links holds the running families' states (a family missing from it
// counts as not linked).
QList<BrowserStateLine> browserStateLines(const QList<BrowserOnDesktop>& browsers,
                                          const QHash<BrowserFamily, BrowserLinkState>& links);

}  // namespace Quorel
