// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// quorel-browser-host: the program a browser starts for the Quorel extension (native messaging).
// It says which browser it serves, then relays messages between the browser and the Quorel app.

#include "BrowserFamily.h"
#include "BrowserHostRelay.h"
#include "BrowserLinkProtocol.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonObject>

#include <unistd.h>
#include <csignal>

namespace {

// The browser that started us is our parent; its executable names the family. When that is not
// readable (sandboxes), the caller argument still tells Firefox (a manifest path and the
// extension id) from the Chromium family (chrome-extension://ID/).
Quorel::BrowserFamily callerFamily(const QStringList& arguments, qint64 parent) {
    const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(parent)).symLinkTarget();
    const Quorel::BrowserFamily family = Quorel::browserFamilyOfProgram(exe);
    if (family != Quorel::BrowserFamily::Unknown) {
        return family;
    }
    for (const QString& argument : arguments.mid(1)) {
        if (argument.startsWith(QLatin1String("chrome-extension://"))) {
            return Quorel::BrowserFamily::Chromium;
        }
        if (argument == Quorel::geckoExtensionId) {
            return Quorel::BrowserFamily::Firefox;
        }
    }
    return Quorel::BrowserFamily::Unknown;
}

}  // namespace

int main(int argc, char* argv[]) {
    // A browser that closes its end while we write must not kill us before we notice.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const qint64 parent = static_cast<qint64>(::getppid());

    const QJsonObject hello{
        {QStringLiteral("type"), QStringLiteral("hello")},
        {QStringLiteral("family"), Quorel::browserFamilyKey(callerFamily(arguments, parent))},
        {QStringLiteral("browserPid"), parent},
        {QStringLiteral("caller"), arguments.value(1)},
    };
    Quorel::BrowserHostRelay relay(STDIN_FILENO, STDOUT_FILENO, Quorel::browserLinkSocketPath(),
                                   hello);
    relay.start();
    return QCoreApplication::exec();
}
