// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FilePreferencesStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
// A real, tiny file system of our own; needs root, as CI is.
struct SmallFileSystem {
    QTemporaryDir dir;
    bool mounted = false;

    explicit SmallFileSystem(const char* size) {
        mounted =
            ::geteuid() == 0 &&
            QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("size=%1").arg(QLatin1String(size)),
                               QStringLiteral("quorel-test"), dir.path()}) == 0;
    }
    ~SmallFileSystem() {
        if (mounted) {
            QProcess::execute(QStringLiteral("umount"), {dir.path()});
        }
    }
    bool remount(const QString& options) {
        return QProcess::execute(
                   QStringLiteral("mount"),
                   {QStringLiteral("-o"), QStringLiteral("remount,") + options, dir.path()}) == 0;
    }
    // Takes every free byte.
    void fill() {
        QFile filler(dir.filePath(QStringLiteral("filler")));
        if (filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            const QByteArray block(4096, 'x');
            while (filler.write(block) == block.size()) {
            }
        }
    }
};
}  // namespace

using namespace Quorel;

class TestFilePreferencesStore : public QObject {
    Q_OBJECT

    const QString key = QStringLiteral("Quorel.PersistedState.v1");

private slots:
    void missingFolderAndFileMeanNoValue() {
        QTemporaryDir dir;
        FilePreferencesStore store(dir.filePath(QStringLiteral("not/yet/here")));
        QCOMPARE(store.data(key), std::nullopt);
        QVERIFY(store.setAside(key));  // nothing to keep
        QVERIFY(store.setData(key, "{}"));
        QCOMPARE(store.data(key), std::optional<QByteArray>("{}"));
        QVERIFY(store.pathFor(key).endsWith(QStringLiteral("/Quorel.PersistedState.v1.json")));
    }

    void replacingLeavesOnlyTheNewDocument() {
        QTemporaryDir dir;
        FilePreferencesStore store(dir.path());
        QVERIFY(store.setData(key, QByteArray(100000, 'a')));
        QVERIFY(store.setData(key, "short"));
        QCOMPARE(store.data(key), std::optional<QByteArray>("short"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList{QFileInfo(store.pathFor(key)).fileName()});
    }

    void unreadableDocumentIsEmptyBytesAndCanBeSetAside() {
        QTemporaryDir dir;
        FilePreferencesStore store(dir.path());
        // A folder where the document should be: it exists, but cannot be read as one.
        QVERIFY(QDir().mkpath(store.pathFor(key)));
        QCOMPARE(store.data(key), std::optional<QByteArray>(QByteArray()));
        QVERIFY(store.setAside(key));
        QVERIFY(store.setData(key, "{}"));
        QCOMPARE(store.data(key), std::optional<QByteArray>("{}"));
    }

    void setAsideKeepsEveryEarlierDocument() {
        QTemporaryDir dir;
        FilePreferencesStore store(dir.path());
        QVERIFY(store.setData(key, "first bad"));
        const std::optional<QString> aside = store.setAside(key);
        QVERIFY(aside && aside->startsWith(store.pathFor(key) + QStringLiteral(".unreadable-")));
        QVERIFY(QFile::exists(*aside));
        QCOMPARE(store.data(key), std::nullopt);
        QVERIFY(store.setData(key, "second bad"));
        QVERIFY(store.setAside(key));
        QStringList kept =
            QDir(dir.path()).entryList({QStringLiteral("*.unreadable-*")}, QDir::Files);
        QCOMPARE(kept.size(), 2);
        QStringList contents;
        for (const QString& name : kept) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            contents.append(QString::fromUtf8(f.readAll()));
        }
        contents.sort();
        QCOMPARE(contents,
                 (QStringList{QStringLiteral("first bad"), QStringLiteral("second bad")}));
    }

    void failedWriteIsReported() {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("quorel")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
        blocker.close();
        FilePreferencesStore store(blocker.fileName());
        QVERIFY(!store.setData(key, "new"));
        QVERIFY(store.lastError().contains(blocker.fileName()));
    }

    // A write that cannot finish leaves the old document whole and says so.
    void fullOrReadOnlyDiskKeepsTheOldDocument() {
        SmallFileSystem fs("64k");
        if (!fs.mounted) {
            QSKIP("needs root to mount a small file system");
        }
        FilePreferencesStore store(fs.dir.path());
        const QByteArray old(8000, 'o');
        QVERIFY(store.setData(key, old));
        fs.fill();
        QVERIFY(!store.setData(key, QByteArray(2000, 'n')));
        QVERIFY2(store.lastError().contains(QString::fromLocal8Bit(std::strerror(ENOSPC))),
                 qPrintable(store.lastError()));
        QCOMPARE(store.data(key), std::optional<QByteArray>(old));
        QVERIFY(QFile::remove(fs.dir.filePath(QStringLiteral("filler"))));
        QVERIFY(store.setData(key, "after"));
        QVERIFY(store.lastError().isEmpty());

        QVERIFY(fs.remount(QStringLiteral("ro")));
        QVERIFY(!store.setData(key, "read-only"));
        QVERIFY2(store.lastError().contains(QString::fromLocal8Bit(std::strerror(EROFS))),
                 qPrintable(store.lastError()));
        QVERIFY(!store.setAside(key));
        QCOMPARE(store.data(key), std::optional<QByteArray>("after"));
    }

    // Only a regular file of sane size is read; anything else is unreadable at once.
    void onlyRegularFilesAreRead_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");
        QTest::newRow("fifo") << QStringLiteral("fifo") << QStringLiteral("it is not a plain file");
        QTest::newRow("link to /dev/zero")
            << QStringLiteral("zero") << QStringLiteral("it is not a plain file");
        QTest::newRow("too large")
            << QStringLiteral("large") << QStringLiteral("it is larger than 64 MiB");
    }
    void onlyRegularFilesAreRead() {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        QTemporaryDir dir;
        FilePreferencesStore store(dir.path());
        const QByteArray path = QFile::encodeName(store.pathFor(key));
        if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        } else if (kind == QLatin1String("zero")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), store.pathFor(key)));
        } else {
            QFile big(store.pathFor(key));
            QVERIFY(big.open(QIODevice::WriteOnly));
            QVERIFY(big.resize(qint64(1) << 30));  // sparse: costs no disk
        }
        QCOMPARE(store.data(key), std::optional<QByteArray>(QByteArray()));
        QCOMPARE(store.readError(), why);
        QVERIFY(store.setAside(key));
        QCOMPARE(store.data(key), std::nullopt);
        QVERIFY(store.readError().isEmpty());
    }

    // Only the saver's own leftovers go; the user's files beside the document stay.
    void saveKilledHalfwayLeavesNoTemporaryFile() {
        QTemporaryDir dir;
        FilePreferencesStore store(dir.path());
        QVERIFY(store.setData(key, "{}"));
        const QString document = store.pathFor(key);
        const QStringList left = {document + QStringLiteral(".saving-a1B2c3")};
        const QStringList kept = {document + QStringLiteral(".backup"),
                                  document + QStringLiteral(".SAVING-a1B2c3"),
                                  document + QStringLiteral(".unreadable-2026-12-07T10-00-00")};
        for (const QString& name : left + kept) {
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QCOMPARE(store.data(key), std::optional<QByteArray>("{}"));
        for (const QString& name : left) {
            QVERIFY2(!QFile::exists(name), qPrintable(name));
        }
        for (const QString& name : kept) {
            QVERIFY2(QFile::exists(name), qPrintable(name));
        }
    }

    // A linked document stays a link, its permissions stay, and the save replaces the target.
    void aLinkedDocumentKeepsItsLinkAndMode() {
        QTemporaryDir dir;
        FilePreferencesStore store(dir.path());
        const QString target = dir.filePath(QStringLiteral("dotfiles.json"));
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ReadGroup));
        QVERIFY(QFile::link(target, store.pathFor(key)));
        QVERIFY(store.setData(key, "{}"));
        QVERIFY(QFileInfo(store.pathFor(key)).isSymLink());
        QCOMPARE(store.data(key), std::optional<QByteArray>("{}"));
        QVERIFY(QFile(target).permissions().testFlag(QFileDevice::ReadGroup));
    }

    void defaultFolderFollowsXdgConfigHome() {
        qputenv("XDG_CONFIG_HOME", "/somewhere/config");
        QCOMPARE(FilePreferencesStore::defaultFolder(), QStringLiteral("/somewhere/config/quorel"));
        qputenv("XDG_CONFIG_HOME", "relative/is/ignored");
        QCOMPARE(FilePreferencesStore::defaultFolder(),
                 QDir::homePath() + QStringLiteral("/.config/quorel"));
    }
};

QTEST_GUILESS_MAIN(TestFilePreferencesStore)
#include "tst_filepreferencesstore.moc"
