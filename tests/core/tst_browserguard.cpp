#include "Fakes.h"
#include "UrlRules.h"

#include <QSignalSpy>
#include <QTest>

using namespace Quorel;
using namespace Qt::StringLiterals;

namespace {

const QString chromium = QStringLiteral("Chromium Web Browser");
const QString page = QStringLiteral("http://127.0.0.1:49152/blocked?site=");

GuardSnapshot snapshot(bool focus, QStringList sites = {QStringLiteral("example.org")}) {
    GuardSnapshot s;
    s.enabledSites = std::move(sites);
    s.blockYouTubeShorts = true;
    s.blockInstagramReels = true;
    s.blockAdultSites = true;
    s.adultDomains = builtInAdultDomains();
    s.focusActive = focus;
    return s;
}

void startFocus(FocusManager& m, bool strict = false) {
    m.setStrictMode(strict);
    m.toggleStartPause();
}

}  // namespace

Q_DECLARE_METATYPE(GuardSnapshot)

class TestBrowserGuard : public QObject {
    Q_OBJECT

private slots:
    void target_data() {
        QTest::addColumn<GuardSnapshot>("snap");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("target");  // empty: left alone

        const GuardSnapshot focus = snapshot(true);
        const GuardSnapshot idle = snapshot(false);
        const QString blocked = page + QStringLiteral("example.org");
        QTest::newRow("the domain itself") << focus << u"https://example.org/a"_s << blocked;
        QTest::newRow("a label in front")
            << focus << u"https://news.Example.ORG/x?q=1"_s << blocked;
        QTest::newRow("fully qualified") << focus << u"https://example.org./"_s << blocked;
        QTest::newRow("letters alone") << focus << u"https://badexample.org/"_s << QString();
        QTest::newRow("in the path only")
            << focus << u"https://other.net/example.org"_s << QString();
        QTest::newRow("not focusing") << idle << u"https://example.org/"_s << QString();
        QTest::newRow("no host") << focus << u"example.org"_s << QString();
        QTest::newRow("shorts at any time")
            << idle << u"https://M.YOUTUBE.COM/SHORTS/abc"_s << u"https://www.youtube.com/"_s;
        QTest::newRow("reels at any time")
            << idle << u"https://www.instagram.com/reels/xyz/"_s << u"https://www.instagram.com/"_s;
        QTest::newRow("youtube elsewhere")
            << idle << u"https://www.youtube.com/watch?v=1"_s << QString();
        QTest::newRow("adult at any time")
            << idle << "https://www.pornhub.com/" << page + QStringLiteral("pornhub.com");
        QTest::newRow("adult before the user's list")
            << snapshot(true, {QStringLiteral("xnxx.com")}) << "https://xnxx.com/"
            << page + QStringLiteral("xnxx.com");
        QTest::newRow("first listed domain wins")
            << snapshot(true, {QStringLiteral("b.example.org"), QStringLiteral("example.org")})
            << "https://a.b.example.org/" << page + QStringLiteral("b.example.org");
        QTest::newRow("international name either way")
            << snapshot(true, {QStringLiteral("bücher.de")}) << "https://www.xn--bcher-kva.de/"
            << page + QStringLiteral("b%C3%BCcher.de");
        QTest::newRow("the blocked page stays")
            << snapshot(true, {QStringLiteral("127.0.0.1")}) << blocked << QString();

        GuardSnapshot off = focus;
        off.blockAdultSites = off.blockYouTubeShorts = false;
        QTest::newRow("adult off") << off << u"https://pornhub.com/"_s << QString();
        QTest::newRow("shorts off") << off << u"https://youtube.com/shorts/1"_s << QString();
    }
    void target() {
        QFETCH(GuardSnapshot, snap);
        QFETCH(QString, address);
        QFETCH(QString, target);
        QCOMPARE(redirectTarget(snap, address).value_or(QString()), target);
    }

    void emptyTextNeverMatches() {
        QVERIFY(!hostMatches(QString(), QString()));
        QVERIFY(!hostMatches(QStringLiteral("example.org"), QString()));
        QCOMPARE(bridgePageAddress(QStringLiteral("x.org"), 5000),
                 QStringLiteral("http://127.0.0.1:5000/blocked?site=x.org"));
    }

    // The check reads the front browser's tab on the worker and redirects it there.
    void checkRedirectsTheFrontTab() {
        FakeDesktop d;
        auto m = d.makeManager();
        m->addSite(QStringLiteral("example.org"));
        startFocus(*m);
        d.workspace.frontmost = chromium;
        d.browser.showAddress(QStringLiteral("https://www.example.org/"));
        m->setSafariPermissionDenied(true);

        m->checkSafariIfFrontmost();
        QVERIFY(m->isCheckingBrowser());
        QTRY_VERIFY(!m->isCheckingBrowser());
        QCOMPARE(d.browser.redirects(),
                 QStringList{chromium + u" -> "_s + page + u"example.org"_s});
        QVERIFY(!m->safariPermissionDenied());
    }

    void checkGates_data() {
        QTest::addColumn<QString>("front");
        QTest::addColumn<bool>("togglesOn");
        QTest::addColumn<bool>("focus");
        QTest::addColumn<bool>("reads");
        QTest::newRow("supported, toggles on") << chromium << true << false << true;
        QTest::newRow("supported, focus only") << chromium << false << true << true;
        QTest::newRow("nothing to guard") << chromium << false << false << false;
        QTest::newRow("not a browser") << u"XTerm"_s << true << true << false;
        QTest::newRow("letter case counts") << u"chromium web browser"_s << true << true << false;
        QTest::newRow("nothing in front") << QString() << true << true << false;
    }
    void checkGates() {
        QFETCH(QString, front);
        QFETCH(bool, togglesOn);
        QFETCH(bool, focus);
        QFETCH(bool, reads);
        FakeDesktop d;
        auto m = d.makeManager();
        m->setBlockYouTubeShorts(togglesOn);
        m->setBlockInstagramReels(togglesOn);
        m->setBlockAdultSites(togglesOn);
        if (focus) {
            startFocus(*m);
        }
        if (!front.isEmpty()) {
            d.workspace.frontmost = front;
        }
        m->checkSafariIfFrontmost();
        QCOMPARE(m->isCheckingBrowser(), reads);
        QTRY_VERIFY(!m->isCheckingBrowser());
        QCOMPARE(d.browser.reads().size(), reads ? 1 : 0);
    }

    // A slow browser turns ticks into nothing, not into a queue of reads.
    void oneCheckInFlight() {
        FakeDesktop d;
        auto m = d.makeManager();
        d.workspace.frontmost = chromium;
        d.browser.hold();
        m->checkSafariIfFrontmost();
        QTRY_COMPARE(d.browser.reads().size(), 1);
        for (int i = 0; i < 3; ++i) {
            m->tick();
        }
        d.browser.release();
        QTRY_VERIFY(!m->isCheckingBrowser());
        QCOMPARE(d.browser.reads().size(), 1);
    }

    void refusalAndProbe() {
        FakeDesktop d;
        auto m = d.makeManager();
        QSignalSpy denied(m.get(), &FocusManager::safariPermissionDeniedChanged);
        d.workspace.frontmost = chromium;
        d.browser.setAnswer(BrowserAnswer::Status::Refused);
        m->checkSafariIfFrontmost();
        QTRY_VERIFY(m->safariPermissionDenied());

        // Another failure leaves the flag as it was.
        d.browser.setAnswer(BrowserAnswer::Status::Failed);
        m->checkSafariIfFrontmost();
        QTRY_VERIFY(!m->isCheckingBrowser());
        QVERIFY(m->safariPermissionDenied());

        // The probe clears the flag at once and reads every running browser, or a stand-in.
        d.workspace.running = {app(QStringLiteral("XTerm")), app(QStringLiteral("Firefox ESR")),
                               app(chromium)};
        m->requestSafariPermission();
        QVERIFY(!m->safariPermissionDenied());
        QTRY_COMPARE(d.browser.reads().mid(2), (QStringList{u"Firefox ESR"_s, chromium}));
        QTRY_VERIFY(!m->safariPermissionDenied());
        QCOMPARE(denied.size(), 2);

        d.workspace.running.clear();
        d.browser.setAnswer(BrowserAnswer::Status::Refused);
        m->requestSafariPermission();
        QTRY_VERIFY(m->safariPermissionDenied());
        QCOMPARE(d.browser.reads().last(), QStringLiteral("Safari"));
    }

    void siteList() {
        FakeDesktop d;
        auto m = d.makeManager();
        m->setBlockedSites({});
        m->addSite(QStringLiteral("  Example.ORG \n"));
        m->addSite(QStringLiteral("example.org"));
        m->addSite(QStringLiteral("   "));
        m->addSite(QStringLiteral("news.site"));
        QCOMPARE(m->blockedSites().size(), 2);
        QCOMPARE(m->blockedSites().first().domain, QStringLiteral("news.site"));
        QCOMPARE(m->blockedSites().last().domain, QStringLiteral("example.org"));
        QVERIFY(d.savedDocument().contains("example.org"));

        const QString id = uuidText(m->blockedSites().last().id);
        startFocus(*m, true);
        m->addSite(QStringLiteral("more.org"));
        m->removeSiteWithId(id);
        m->setSiteEnabled(id, false);
        QCOMPARE(m->blockedSites().size(), 2);
        QVERIFY(m->blockedSites().last().isEnabled);

        m->setIsRunning(false);
        m->setSiteEnabled(id, false);
        QVERIFY(!m->blockedSites().last().isEnabled);
        m->removeSiteWithId(id);
        QCOMPARE(m->blockedSites().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestBrowserGuard)
#include "tst_browserguard.moc"
