// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// What the script running inside KWin reports about windows, and what Quorel sends back. Both
// directions are JSON text: KWin's callDBus turns script numbers into doubles and objects into
// maps whose D-Bus types depend on their contents, while one string arrives as it was sent.

#include "workspace/WorkspaceCore.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace Quorel {

// Larger reports are refused: a session's windows fit in a small fraction of this.
inline constexpr qsizetype maxKWinReportBytes = 4 * 1024 * 1024;

// One window, from the JSON object the script sends (its id is KWin's internal id, stable for the
// window's life); nullopt for "null" (nothing in front) or anything malformed.
std::optional<WindowFacts> parseKWinWindow(const QByteArray& json);

// Every window of a list report; an empty list when the report is malformed.
QList<WindowFacts> parseKWinWindowList(const QByteArray& json);

// The JSON array of the ids of the windows the scripts minimise.
QByteArray kwinHideTargets(const QStringList& windowIds);

// The script text with each @NAME@ replaced by its value.
QString fillKWinScript(QString text, const QList<std::pair<QString, QString>>& values);

}  // namespace Quorel
