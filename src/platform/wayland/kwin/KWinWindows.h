#pragma once

// What the script running inside KWin reports about windows, and what Quorel sends back. Both
// directions are JSON text: KWin's callDBus turns script numbers into doubles and objects into
// maps whose D-Bus types depend on their contents, while one string arrives as it was sent.

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace Quorel {

struct KWinWindow {
    QString id;             // KWin's internal id, stable for the window's life
    QString appId;          // desktop file name the client gave; "" when none
    QString resourceClass;  // the Wayland app id, or the X11 class for XWayland windows
    QString resourceName;
    QString caption;
    qint64 pid = 0;         // 0 when unknown
    bool ordinary = false;  // a normal window or a dialog, what hiding an application hides
    bool regular = false;   // a normal window shown in the taskbar
    bool shell = false;     // the desktop or a panel
    bool minimized = false;

    // The adapter's handle of the application: the windows of one process that share a class,
    // or without a process id those of one class. "" when there is nothing to go on.
    QString key() const;
};

// Larger reports are refused: a session's windows fit in a small fraction of this.
inline constexpr qsizetype maxKWinReportBytes = 4 * 1024 * 1024;

// One window, from the JSON object the script sends; nullopt for "null" (nothing in front) or
// anything malformed.
std::optional<KWinWindow> parseKWinWindow(const QByteArray& json);

// Every window of a list report; an empty list when the report is malformed.
QList<KWinWindow> parseKWinWindowList(const QByteArray& json);

// The JSON array of hide targets the scripts match windows against, one per key; keys that are
// not this adapter's are left out.
QByteArray kwinHideTargets(const QStringList& keys);

// The script text with each @NAME@ replaced by its value.
QString fillKWinScript(QString text, const QList<std::pair<QString, QString>>& values);

}  // namespace Quorel
