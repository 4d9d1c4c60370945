// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FileDialogApplicationChooser.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Quorel;

// The chooser's naming of the entries picked in its dialog.
class TestFileDialogApplicationChooser : public QObject {
    Q_OBJECT

private slots:
    void eachEntryGivesItsNameElseItsFileName() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const auto write = [&folder](const char* file, const QByteArray& contents) {
            QFile out(folder.filePath(QLatin1String(file)));
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(contents);
        };
        write("slack.desktop", "Name=Slack");
        write("org.gnome.Maps.desktop", "no name here");
        // Stands in for the desktop-entry parser: the value of a leading Name= line.
        const auto entryName = [](QStringView contents) {
            return contents.startsWith(u"Name=") ? contents.sliced(5).toString() : QString();
        };

        const QStringList names = FileDialogApplicationChooser::applicationNames(
            {folder.filePath(QStringLiteral("org.gnome.Maps.desktop")),
             folder.filePath(QStringLiteral("slack.desktop")),
             folder.filePath(QStringLiteral("gone.desktop"))},
            entryName);

        QCOMPARE(names, (QStringList{QStringLiteral("org.gnome.Maps"), QStringLiteral("Slack"),
                                     QStringLiteral("gone")}));
    }
};

QTEST_APPLESS_MAIN(TestFileDialogApplicationChooser)
#include "tst_filedialogapplicationchooser.moc"
