#include "Fakes.h"

#include <QTest>

using namespace Quorel;

class TestCountdown : public QObject {
    Q_OBJECT
private slots:
    void freshManagerHasDefaults() {
        FakeDesktop desktop;
        auto m = desktop.makeManager();
        QCOMPARE(m->remainingSeconds(), 2700);
    }
};

QTEST_GUILESS_MAIN(TestCountdown)
#include "tst_countdown.moc"
