#include "FilePreferencesStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
        QVERIFY(store.setAside(key));
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
