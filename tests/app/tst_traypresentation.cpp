#include "SymbolRenderer.h"
#include "TrayPresentation.h"

#include <QGuiApplication>
#include <QTest>

using namespace Quorel;

class TestTrayPresentation : public QObject {
    Q_OBJECT

private slots:
    void label_data() {
        QTest::addColumn<bool>("showInMenuBar");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("strict");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("title");

        QTest::newRow("idle") << true << false << false << "timer"
                              << "Quorel";
        QTest::newRow("idle, strict mode on") << true << false << true << "timer"
                                              << "Quorel";
        QTest::newRow("running") << true << true << false << "timer"
                                 << "44:59";
        QTest::newRow("strict running") << true << true << true << "lock.fill"
                                        << "44:59";
        QTest::newRow("hidden countdown keeps the plain symbol") << false << true << true << "timer"
                                                                 << "44:59";
    }

    void label() {
        QFETCH(bool, showInMenuBar);
        QFETCH(bool, running);
        QFETCH(bool, strict);
        const TrayLabel label = trayLabel(showInMenuBar, running, strict, QStringLiteral("44:59"));

        QTEST(label.symbol, "symbol");
        QTEST(label.title, "title");
        QCOMPARE(label.showsTitle, showInMenuBar);
    }

    void redrawsOnlyWhenThePictureChanges_data() {
        QTest::addColumn<bool>("showInMenuBar");
        QTest::addColumn<bool>("strict");
        QTest::addColumn<bool>("same");

        QTest::newRow("countdown shown: every second") << true << false << false;
        QTest::newRow("countdown shown, strict: every second") << true << true << false;
        QTest::newRow("countdown hidden: tooltip only") << false << true << true;
    }

    void redrawsOnlyWhenThePictureChanges() {
        QFETCH(bool, showInMenuBar);
        QFETCH(bool, strict);
        const TrayLabel before = trayLabel(showInMenuBar, true, strict, QStringLiteral("44:59"));
        const TrayLabel after = trayLabel(showInMenuBar, true, strict, QStringLiteral("44:58"));

        QTEST(drawsTheSame(before, after), "same");
        QVERIFY(!(before == after));
    }

    void iconCarriesTheTitleOnlyWhenShown() {
        TrayLabel label = trayLabel(true, true, false, QStringLiteral("44:59"));
        const QImage withTitle = renderTrayIcon(label, 22, QGuiApplication::font(), Qt::white);
        label.showsTitle = false;
        const QImage symbolOnly = renderTrayIcon(label, 22, QGuiApplication::font(), Qt::white);

        QCOMPARE(symbolOnly.size(), QSize(22, 22));
        QCOMPARE(withTitle.height(), 22);
        QVERIFY(withTitle.width() > 2 * 22);
    }

    void symbolsAreBuiltIn_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");

        QTest::newRow("timer") << "timer" << true;
        QTest::newRow("lock.fill") << "lock.fill" << true;
        QTest::newRow("application") << "quorel" << true;
        QTest::newRow("unknown") << "no.such.symbol" << false;
    }

    void symbolsAreBuiltIn() {
        QFETCH(QString, name);
        const QImage image = renderSymbol(name, QSize(16, 16), Qt::red);

        QTEST(!image.isNull(), "exists");
        // Tinted: whatever the SVG's own colours, everything drawn is red.
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() > 0) {
                    ++drawn;
                    QCOMPARE(pixel.green(), 0);
                    QCOMPARE(pixel.blue(), 0);
                }
            }
        }
        QCOMPARE(drawn > 0, !image.isNull());
    }

    void controlWindowPosition_data() {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("position");

        const QRect screen(0, 0, 1280, 800);
        const QPoint nowhere(-1, -1);
        QTest::newRow("top panel: below the icon")
            << QRect(600, 0, 24, 24) << nowhere << screen << QPoint(476, 28);
        QTest::newRow("bottom panel: above the icon")
            << QRect(600, 776, 24, 24) << nowhere << screen << QPoint(476, 352);
        QTest::newRow("right edge: kept on screen")
            << QRect(1250, 0, 24, 24) << nowhere << screen << QPoint(1010, 28);
        QTest::newRow("left edge: kept on screen")
            << QRect(0, 0, 24, 24) << nowhere << screen << QPoint(0, 28);
        QTest::newRow("no icon geometry: at the cursor")
            << QRect() << QPoint(640, 10) << screen << QPoint(505, 15);
        QTest::newRow("no icon geometry, cursor in a corner")
            << QRect() << QPoint(1279, 799) << screen << QPoint(1010, 375);
        QTest::newRow("second screen")
            << QRect(3170, 0, 24, 24) << nowhere << QRect(1280, 0, 1920, 1080) << QPoint(2930, 28);
        QTest::newRow("screen smaller than the window: top-left inside")
            << QRect(100, 280, 20, 20) << nowhere << QRect(0, 0, 300, 300) << QPoint(0, 0);
    }

    void controlWindowPosition() {
        QFETCH(QRect, anchor);
        QFETCH(QPoint, cursor);
        QFETCH(QRect, screen);

        QTEST(Quorel::controlWindowPosition(anchor, cursor, QSize(270, 420), screen), "position");
    }
};

QTEST_MAIN(TestTrayPresentation)
#include "tst_traypresentation.moc"
