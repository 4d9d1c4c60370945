// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "BrowserRules.h"
#include "Fakes.h"
#include "UrlRules.h"
#include "WebAddress.h"

#include <QSignalSpy>
#include <QTest>

using namespace Quorel;
using namespace Qt::StringLiterals;

namespace {

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

// A running browser as a desktop names it: a translated menu name, its desktop id, window
// class and executable.
RunningApplication browserApp(const QString& name, const QString& identity,
                              const QString& windowClass = {}, const QString& executable = {}) {
    RunningApplication application;
    application.name = application.key = name;
    application.identity = identity;
    application.isRegular = true;
    application.windowClass = windowClass;
    application.executable = executable;
    return application;
}

const RunningApplication chromiumDe =
    browserApp(QStringLiteral("Chromium-Webbrowser"), QStringLiteral("chromium.desktop"),
               QStringLiteral("Chromium"), QStringLiteral("/usr/lib/chromium/chromium"));

QString shown(const std::optional<BrowserRedirect>& target) {
    if (!target) {
        return {};
    }
    return target->address.isEmpty() ? QStringLiteral("own page for ") + target->blockedSite
                                     : target->address;
}

void startFocus(FocusManager& m, bool strict = false) {
    m.setStrictMode(strict);
    m.toggleStartPause();
}

// The three always-on guards as listed in guards ("shorts reels adult").
void switchGuards(FocusManager& m, const QString& guards) {
    m.setBlockYouTubeShorts(guards.contains(u"shorts"));
    m.setBlockInstagramReels(guards.contains(u"reels"));
    m.setBlockAdultSites(guards.contains(u"adult"));
}

// The countdown running, in its break, paused, or idle.
void putIn(FocusManager& m, const QString& state) {
    if (state != u"idle") {
        startFocus(m);
    }
    if (state == u"break") {
        m.setIsBreak(true);
    } else if (state == u"paused") {
        m.toggleStartPause();
    }
}

}  // namespace

Q_DECLARE_METATYPE(GuardSnapshot)
Q_DECLARE_METATYPE(RunningApplication)

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
        const QString youTube = QStringLiteral("https://www.youtube.com/");
        const QString instagram = QStringLiteral("https://www.instagram.com/");
        QTest::newRow("the domain itself") << focus << u"https://example.org/a"_s << blocked;
        QTest::newRow("a label in front")
            << focus << u"https://news.Example.ORG/x?q=1"_s << blocked;
        QTest::newRow("fully qualified") << focus << u"https://example.org./"_s << blocked;
        QTest::newRow("with a port") << focus << u"https://example.org:8443/"_s << blocked;
        QTest::newRow("behind user info") << focus << u"https://user:pw@example.org/"_s << blocked;
        QTest::newRow("user info is not the host")
            << focus << u"https://example.org@other.net/"_s << QString();
        QTest::newRow("letters alone") << focus << u"https://badexample.org/"_s << QString();
        QTest::newRow("in the path only")
            << focus << u"https://other.net/example.org"_s << QString();
        QTest::newRow("in the query only")
            << focus << u"https://other.net/?u=https://example.org/"_s << QString();
        QTest::newRow("not focusing") << idle << u"https://example.org/"_s << QString();
        QTest::newRow("no host") << focus << u"example.org"_s << QString();
        QTest::newRow("shorts at any time")
            << idle << u"https://M.YOUTUBE.COM/SHORTS/abc"_s << youTube;
        QTest::newRow("the shorts feed") << idle << u"https://youtube.com/shorts"_s << youTube;
        QTest::newRow("shorts in a search")
            << idle << u"https://www.google.com/search?q=youtube.com/shorts/abc"_s << QString();
        QTest::newRow("shorts on a look-alike")
            << idle << u"https://notyoutube.com/shorts/abc"_s << QString();
        QTest::newRow("a path that only starts alike")
            << idle << u"https://www.youtube.com/shortsighted"_s << QString();
        QTest::newRow("youtube elsewhere")
            << idle << u"https://www.youtube.com/watch?v=1"_s << QString();
        QTest::newRow("reels at any time")
            << idle << u"https://www.instagram.com/reels/xyz/"_s << instagram;
        QTest::newRow("one reel") << idle << u"https://instagram.com/reel/xyz/"_s << instagram;
        QTest::newRow("reels in a query")
            << idle << u"https://example.net/?next=instagram.com/reels/"_s << QString();
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
        QTest::newRow("the same path on another port does not")
            << snapshot(true, {QStringLiteral("127.0.0.1")}) << u"http://127.0.0.1:8080/blocked"_s
            << page + QStringLiteral("127.0.0.1");

        // Addresses that browsers load as they stand, where a strict reading finds no host.
        for (const QString& odd :
             {u"https://example.org/?q={x}"_s, u"https://example.org/a%zz"_s,
              u"https://example.org/?q=a^b"_s, u"https://example.org/?q=a|b"_s,
              u"https://example.org/\"a`b"_s, u" https://exam\tple.org/\n"_s,
              u"https:\\\\example.org\\a"_s, u"https:example.org"_s, u"https://EXAMPLE.ORG/"_s,
              u"https://ex%61mple.org/"_s, u"https://ＥＸＡＭＰＬＥ.org/"_s,
              u"https://example。org/"_s, u"https://exa\u00admple.org/"_s,
              u"view-source:https://example.org/"_s}) {
            QTest::newRow(qPrintable(odd)) << focus << odd << blocked;
        }
        for (const QString& odd :
             {u"https://www.youtube.com//shorts/abc"_s, u"https://youtube.com\\shorts\\x"_s,
              u"https://youtube.com/%73horts/x"_s, u"https://youtube.com/x/../shorts/x"_s,
              u"https://www.youtube.com/shorts/a?q={x}"_s}) {
            QTest::newRow(qPrintable(odd)) << idle << odd << youTube;
        }
        QTest::newRow("a scheme that reaches no site")
            << idle << u"hs://www.youtube.com/shorts/abc"_s << QString();
        QTest::newRow("repeated slashes before a reel")
            << idle << u"https://www.instagram.com//reel//x"_s << instagram;
        const GuardSnapshot ipv4 = snapshot(true, {QStringLiteral("10.0.0.1")});
        for (const QString& odd : {u"http://10.1/"_s, u"http://0xa000001/"_s,
                                   u"http://167772161/"_s, u"http://012.0.0.1./"_s}) {
            QTest::newRow(qPrintable(odd)) << ipv4 << odd << page + QStringLiteral("10.0.0.1");
        }
        QTest::newRow("a punycode entry, a unicode address")
            << snapshot(true, {QStringLiteral("xn--bcher-kva.de")}) << u"https://bücher.de/"_s
            << page + QStringLiteral("xn--bcher-kva.de");
        QTest::newRow("a unicode entry, a punycode host that browsers keep so")
            << snapshot(true, {QStringLiteral("münchen.xyz")})
            << u"https://www.xn--mnchen-3ya.xyz/"_s << page + QStringLiteral("m%C3%BCnchen.xyz");

        GuardSnapshot noBridge = focus;
        noBridge.bridgePort = 0;
        QTest::newRow("no bridge: the link's own page")
            << noBridge << u"https://example.org/"_s << u"own page for example.org"_s;
        QTest::newRow("no bridge: home pages as ever")
            << noBridge << u"https://youtube.com/shorts/1"_s << youTube;
    }
    void target() {
        QFETCH(GuardSnapshot, snap);
        QFETCH(QString, address);
        QFETCH(QString, target);
        QCOMPARE(shown(redirectTarget(snap, address)), target);
    }

    void emptyTextNeverMatches() {
        QVERIFY(!hostMatches(QString(), QString()));
        QVERIFY(!hostMatches(QStringLiteral("example.org"), QString()));
        QCOMPARE(bridgePageAddress(QStringLiteral("x.org"), 5000),
                 QStringLiteral("http://127.0.0.1:5000/blocked?site=x.org"));
    }

    // Browsers are told by program: a translated, renamed or missing menu name changes nothing.
    void browsersAreToldByProgram_data() {
        QTest::addColumn<RunningApplication>("application");
        QTest::addColumn<QString>("family");  // wire key; "unknown" for none
        const auto row = [](const char* name, const RunningApplication& app, const char* family) {
            QTest::newRow(name) << app << QString::fromLatin1(family);
        };
        row("German Chromium", chromiumDe, "chromium");
        row("French Chromium", browserApp(u"Navigateur Web Chromium"_s, u"chromium.desktop"_s),
            "chromium");
        row("renamed entry, by class", browserApp(u"Work"_s, u"work.desktop"_s, u"Google-chrome"_s),
            "chrome");
        row("no entry, by executable",
            browserApp(QString(), QString(), QString(), u"/usr/lib/firefox-esr/firefox-esr"_s),
            "firefox");
        row("upgraded underneath",
            browserApp(QString(), QString(), QString(), u"/opt/vivaldi/vivaldi-bin (deleted)"_s),
            "vivaldi");
        row("Flatpak id", browserApp(u"LibreWolf"_s, u"io.gitlab.librewolf-community.desktop"_s),
            "librewolf");
        row("Brave's class", browserApp(u"Brave"_s, QString(), u"Brave-browser"_s), "brave");
        row("Edge", browserApp(u"Edge"_s, u"microsoft-edge.desktop"_s), "edge");
        row("Opera", browserApp(u"Opera"_s, u"opera.desktop"_s), "opera");
        row("a name alone is no browser", browserApp(u"Firefox"_s, u"xterm.desktop"_s, u"XTerm"_s),
            "unknown");
        row("a look-alike program", browserApp(u"x"_s, u"chromium-helper.desktop"_s), "unknown");
    }
    void browsersAreToldByProgram() {
        QFETCH(RunningApplication, application);
        QFETCH(QString, family);
        QCOMPARE(browserFamilyKey(browserFamilyOf(application)), family);
        QCOMPARE(browserFamilyFromKey(family), browserFamilyOf(application));
    }

    // The whole decision as the heartbeat takes it: the countdown's state, the site's switch and
    // each of the three guards alone.
    void heartbeatDecides_data() {
        QTest::addColumn<QString>("state");   // running, break, paused, idle
        QTest::addColumn<QString>("guards");  // which of "shorts reels adult" are on
        QTest::addColumn<bool>("siteEnabled");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("redirect");  // empty: none

        const QString site = QStringLiteral("https://www.example.org/");
        const QString blocked = u"chromium -> "_s + page + u"example.org"_s;
        const QString adult = QStringLiteral("https://pornhub.com/");
        const QString adultPage = u"chromium -> "_s + page + u"pornhub.com"_s;
        const QString shorts = QStringLiteral("https://youtube.com/shorts/1");
        const QString reels = QStringLiteral("https://instagram.com/reels/1");
        const auto row = [](const char* name, const char* state, const char* guards, bool enabled,
                            const QString& address, const QString& redirect) {
            QTest::newRow(name) << QString::fromLatin1(state) << QString::fromLatin1(guards)
                                << enabled << address << redirect;
        };
        row("running, listed site", "running", "", true, site, blocked);
        row("running, site switched off", "running", "", false, site, QString());
        row("break: the list rests", "break", "adult", true, site, QString());
        row("paused: the list rests", "paused", "adult", true, site, QString());
        row("idle: the list rests", "idle", "adult", true, site, QString());
        row("break: adult sites still", "break", "adult", true, adult, adultPage);
        row("idle, adult alone", "idle", "adult", true, adult, adultPage);
        row("idle, adult off", "idle", "shorts reels", true, adult, QString());
        row("idle, shorts alone", "idle", "shorts", true, shorts,
            u"chromium -> https://www.youtube.com/"_s);
        row("idle, shorts off", "idle", "reels adult", true, shorts, QString());
        row("idle, reels alone", "idle", "reels", true, reels,
            u"chromium -> https://www.instagram.com/"_s);
        row("idle, reels off", "idle", "shorts adult", true, reels, QString());
        row("running, guards off", "running", "", true, shorts, QString());
    }
    void heartbeatDecides() {
        QFETCH(QString, state);
        QFETCH(QString, guards);
        QFETCH(bool, siteEnabled);
        QFETCH(QString, address);
        QFETCH(QString, redirect);
        FakeDesktop d;
        auto m = d.makeManager();
        m->setBridgeActive(true);
        switchGuards(*m, guards);
        m->setBlockedSites({BlockedSite{QUuid::createUuid(), u"example.org"_s, siteEnabled}});
        putIn(*m, state);
        d.workspace.running = {chromiumDe};
        d.workspace.frontmost = chromiumDe.name;
        d.browser.showAddress(address);

        m->tick();
        QTRY_VERIFY(!m->isCheckingBrowser());
        QCOMPARE(d.browser.redirects().value(0), redirect);
        QVERIFY(d.browser.redirects().size() <= 1);
    }

    void checkGates_data() {
        QTest::addColumn<QString>("front");
        QTest::addColumn<bool>("togglesOn");
        QTest::addColumn<bool>("focus");
        QTest::addColumn<bool>("reads");
        QTest::newRow("browser, toggles on") << chromiumDe.name << true << false << true;
        QTest::newRow("browser, focus only") << chromiumDe.name << false << true << true;
        QTest::newRow("nothing to guard") << chromiumDe.name << false << false << false;
        QTest::newRow("not a browser") << u"XTerm"_s << true << true << false;
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
        d.workspace.running = {chromiumDe, app(u"XTerm"_s)};
        if (!front.isEmpty()) {
            d.workspace.frontmost = front;
        }
        m->checkFrontBrowserTab();
        QCOMPARE(m->isCheckingBrowser(), reads);
        QTRY_VERIFY(!m->isCheckingBrowser());
        QCOMPARE(d.browser.reads().size(), reads ? 1 : 0);
    }

    // A slow browser turns ticks into nothing, not into a queue of reads.
    void oneCheckInFlight() {
        FakeDesktop d;
        auto m = d.makeManager();
        d.workspace.running = {chromiumDe};
        d.workspace.frontmost = chromiumDe.name;
        d.browser.hold();
        m->checkFrontBrowserTab();
        QTRY_COMPARE(d.browser.reads().size(), 1);
        for (int i = 0; i < 3; ++i) {
            m->tick();
        }
        d.browser.release();
        QTRY_VERIFY(!m->isCheckingBrowser());
        QCOMPARE(d.browser.reads().size(), 1);
    }

    // A browser that tells of a new address is checked at once; told again during a check, it
    // is checked once more after it, never queued up.
    void aBrowserThatTellsIsCheckedAtOnce() {
        FakeDesktop d;
        auto m = d.makeManager();
        m->setBridgeActive(true);
        m->setBlockAdultSites(true);
        d.workspace.running = {chromiumDe};
        d.workspace.frontmost = chromiumDe.name;
        d.browser.showAddress(u"https://pornhub.com/"_s);
        d.browser.tellFrontChanged();
        QTRY_COMPARE(d.browser.redirects().size(), 1);

        d.browser.hold();
        d.browser.tellFrontChanged();
        QTRY_COMPARE(d.browser.reads().size(), 2);
        d.browser.tellFrontChanged();
        d.browser.tellFrontChanged();
        d.browser.release();
        QTRY_COMPARE(d.browser.reads().size(), 3);
        QTRY_VERIFY(!m->isCheckingBrowser());
        QTest::qWait(20);
        QCOMPARE(d.browser.reads().size(), 3);
    }

    // A browser may hold a navigation until it is judged: every report gets a verdict, a
    // redirect or a go-ahead, and nothing is held while nothing is judged.
    void heldNavigationsGetAVerdict() {
        FakeDesktop d;
        auto m = d.makeManager();
        m->setBridgeActive(true);
        m->setBlockYouTubeShorts(false);
        m->setBlockInstagramReels(false);
        m->setBlockAdultSites(false);
        m->setBlockedSites({BlockedSite{QUuid::createUuid(), u"example.org"_s, true}});
        d.workspace.running = {chromiumDe, app(u"XTerm"_s)};
        d.workspace.frontmost = chromiumDe.name;
        d.browser.showAddress(u"https://example.org/"_s);
        d.browser.tellFrontChanged();
        QTest::qWait(20);
        QCOMPARE(d.browser.verdicts(), QStringList());

        startFocus(*m);
        d.browser.tellFrontChanged();
        QTRY_COMPARE(d.browser.redirects().size(), 1);
        d.browser.showAddress(u"https://kde.org/"_s);
        d.browser.tellFrontChanged();
        QTRY_COMPARE(d.browser.verdicts(), (QStringList{u"judging"_s, u"let load chromium"_s}));

        // Told by a browser behind another program: not judged, so not held. The heartbeat alone
        // sends nothing.
        d.workspace.frontmost = u"XTerm"_s;
        m->tick();
        d.browser.tellFrontChanged();
        QTRY_COMPARE(d.browser.verdicts().size(), 3);
        QCOMPARE(d.browser.verdicts().last(), u"let load unknown"_s);

        m->resetTimer();
        m->tick();
        QTRY_COMPARE(d.browser.verdicts().last(), u"not judging"_s);
        QCOMPARE(d.browser.verdicts().size(), 4);
    }

    // A browser in front that no link answers, or one that takes no extension, is told after
    // three seconds in front during focus with websites blocked; hidden in strict focus, or
    // when the user asks for it; forgotten once its link answers again or focus ends.
    void unguardedBrowsers_data() {
        QTest::addColumn<RunningApplication>("browser");
        QTest::addColumn<bool>("strict");
        QTest::addColumn<bool>("hideSetting");
        QTest::addColumn<QString>("notice");
        RunningApplication firefox = browserApp(u"Firefox ESR"_s, u"firefox-esr.desktop"_s);
        // A second Chromium, of a profile without the extension, beside one that has it.
        RunningApplication profile = chromiumDe;
        profile.pid = 4242;
        RunningApplication web = browserApp(u"Web"_s, u"org.gnome.Epiphany.desktop"_s);
        RunningApplication filed = browserApp(u"Surfboard"_s, u"surfboard.desktop"_s);
        filed.isWebBrowser = true;  // by its desktop entry's categories
        const QString firefoxNotice =
            u"Quorel can't guard websites in Firefox: turn its extension back on in about:addons"_s;
        const QString takesNone =
            u"Quorel can't guard websites in %1: it takes no browser extension. Use Firefox or "
            "Chromium while you focus."_s;
        QTest::newRow("extension off, told") << firefox << false << false << firefoxNotice;
        QTest::newRow("extension off, strict") << firefox << true << false << firefoxNotice;
        QTest::newRow("a profile without it, strict")
            << profile << true << false
            << u"Quorel can't guard websites in Chromium: turn its extension back on in "
               "chrome://extensions"_s;
        QTest::newRow("extension off, hidden as asked")
            << firefox << false << true << firefoxNotice;
        QTest::newRow("GNOME Web, strict") << web << true << false << takesNone.arg(u"Web"_s);
        QTest::newRow("a browser by its entry")
            << filed << false << false << takesNone.arg(u"Surfboard"_s);
    }
    void unguardedBrowsers() {
        QFETCH(RunningApplication, browser);
        QFETCH(bool, strict);
        QFETCH(bool, hideSetting);
        QFETCH(QString, notice);
        FakeDesktop d;
        auto m = d.makeManager();
        m->setHideUnguardedBrowsers(hideSetting);
        d.workspace.running = {browser, app(u"XTerm"_s)};
        d.workspace.frontmost = browser.name;
        // Another browser of the family may be linked: only this process is not.
        d.browser.setAnswer(BrowserAnswer::Status::Ok, u"https://kde.org/"_s);
        d.browser.setGuarded(browser.pid, false);
        const auto checkAfter = [&](qint64 seconds) {
            d.clock.advance(seconds);
            m->checkFrontBrowserTab();
            QTRY_VERIFY(!m->isCheckingBrowser());
        };
        const bool hides = strict || hideSetting;

        checkAfter(0);
        QVERIFY(m->browserNotice().isEmpty());  // not while nothing is blocked
        startFocus(*m, strict);
        checkAfter(0);
        checkAfter(2);
        QVERIFY(m->browserNotice().isEmpty());
        d.workspace.frontmost = u"XTerm"_s;  // away and back: the wait starts again
        checkAfter(1);
        d.workspace.frontmost = browser.name;
        checkAfter(1);
        checkAfter(2);
        QVERIFY(m->browserNotice().isEmpty());
        checkAfter(1);
        QCOMPARE(m->browserNotice(), notice);
        QCOMPARE(d.shield.shown, QStringList{browser.name});
        QCOMPARE(m->unguardedBrowserNotice(browser.name), notice);
        QCOMPARE(d.workspace.hidden.contains(browser.name), hides);
        d.workspace.hidden.clear();
        d.workspace.activate(browser);
        QCOMPARE(d.workspace.hidden.contains(browser.name), hides);

        if (browserFamilyOf(browser) != BrowserFamily::Unknown) {
            // Its extension back on: the next look at it (hidden, through its link) finds it.
            d.browser.setGuarded(browser.pid, true);
            if (hides) {
                QTRY_VERIFY(m->browserNotice().isEmpty());
            } else {
                checkAfter(1);
            }
            QVERIFY(m->browserNotice().isEmpty());
            d.workspace.hidden.clear();
            d.workspace.activate(browser);
            QVERIFY(d.workspace.hidden.isEmpty());
        } else {
            m->setBlockedSites({});  // no website is blocked any more
            QVERIFY(m->browserNotice().isEmpty());
            d.workspace.hidden.clear();
            d.workspace.activate(browser);
            QVERIFY(d.workspace.hidden.isEmpty());
        }
    }

    void refusalAndProbe() {
        FakeDesktop d;
        auto m = d.makeManager();
        QSignalSpy denied(m.get(), &FocusManager::browserAccessDeniedChanged);
        d.workspace.running = {chromiumDe};
        d.workspace.frontmost = chromiumDe.name;
        d.browser.setAnswer(BrowserAnswer::Status::Refused);
        m->checkFrontBrowserTab();
        QTRY_VERIFY(m->browserAccessDenied());

        // Another failure leaves the flag as it was.
        d.browser.setAnswer(BrowserAnswer::Status::Failed);
        m->checkFrontBrowserTab();
        QTRY_VERIFY(!m->isCheckingBrowser());
        QVERIFY(m->browserAccessDenied());

        // The probe clears the flag at once and reads each running browser's family once.
        d.workspace.running = {app(u"XTerm"_s),
                               browserApp(u"Firefox ESR"_s, u"firefox-esr.desktop"_s), chromiumDe,
                               browserApp(u"Chromium"_s, QString(), u"Chromium"_s)};
        m->requestBrowserAccess();
        QVERIFY(!m->browserAccessDenied());
        QTRY_COMPARE(d.browser.reads().mid(2), (QStringList{u"chromium"_s, u"firefox"_s}));
        QTRY_VERIFY(!m->browserAccessDenied());
        QCOMPARE(denied.size(), 2);

        // With no browser running, nothing is read: what counts is whether any is linked.
        d.workspace.running.clear();
        m->requestBrowserAccess();
        QTRY_VERIFY(m->browserAccessDenied());
        d.browser.setReachesAny(true);
        m->requestBrowserAccess();
        QTRY_VERIFY(!m->browserAccessDenied());
        QCOMPARE(d.browser.reads().size(), 4);
    }

    // One line for each browser whose private windows the link cannot see, gone once it can.
    void privateWindowsNotice() {
        FakeDesktop d;
        auto m = d.makeManager();
        const RunningApplication firefox = browserApp(u"Firefox"_s, u"firefox-esr.desktop"_s);
        d.workspace.running = {chromiumDe, firefox};
        BrowserAnswer unseen{BrowserAnswer::Status::Ok, u"https://a.net/"_s};
        unseen.privateWindowsUnseen = true;
        d.browser.setAnswer(unseen);
        m->requestBrowserAccess();
        QTRY_COMPARE(m->browserNotice().count(u'\n'), 1);
        QVERIFY(
            m->browserNotice().contains(u"Private windows in Chromium are not guarded: turn on "
                                        u"\"Allow in Incognito\" for Quorel in "
                                        u"chrome://extensions."_s));
        QVERIFY(m->browserNotice().contains(u"\"Run in Private Windows\""_s));

        d.browser.showAddress(u"https://a.net/"_s);
        d.workspace.frontmost = chromiumDe.name;
        m->checkFrontBrowserTab();
        QTRY_VERIFY(!m->isCheckingBrowser());
        QVERIFY(m->browserNotice().startsWith(u"Private windows in Firefox"_s));
        m->requestBrowserAccess();
        QTRY_COMPARE(m->browserNotice(), QString());

        // An extension of another release is not read, and the user is told why.
        BrowserAnswer other{BrowserAnswer::Status::Refused, {}};
        other.otherRelease = true;
        d.browser.setAnswer(other);
        m->checkFrontBrowserTab();
        QTRY_COMPARE(m->browserNotice(),
                     u"The Quorel extension in Chromium is from another release of Quorel: "
                     u"install the extension that came with this one."_s);
        QVERIFY(m->browserAccessDenied());
    }

    // One line per browser installed or running, saying how far it is guarded; the probe and
    // a refresh both read them anew.
    void browserStates() {
        FakeDesktop d;
        auto m = d.makeManager();
        const RunningApplication firefox = browserApp(u"Firefox ESR"_s, u"firefox-esr.desktop"_s);
        RunningApplication web = browserApp(u"Web"_s, u"org.gnome.Epiphany.desktop"_s);
        web.isWebBrowser = true;
        d.workspace.installedEntries = {
            firefox, web, browserApp(u"Brave Web Browser"_s, u"brave-browser.desktop"_s),
            app(u"XTerm"_s)};
        d.workspace.running = {chromiumDe, firefox};
        const auto lines = [&m] {
            QStringList out;
            for (const BrowserStateLine& line : m->browserStates()) {
                out.append(line.name + u": " + line.state + (line.guarded ? u" +" : u""));
            }
            return out;
        };
        BrowserAnswer unseen{BrowserAnswer::Status::Ok, u"https://a.net/"_s};
        unseen.privateWindowsUnseen = true;
        d.browser.setAnswer(unseen);
        m->refreshBrowserStates();
        QTRY_COMPARE(lines(),
                     (QStringList{u"Brave: Not running"_s,
                                  u"Chromium: Guarded, private windows not: turn on \"Allow in "
                                  u"Incognito\" for Quorel in chrome://extensions +"_s,
                                  u"Firefox: Guarded, private windows not: allow \"Run in "
                                  u"Private Windows\" for Quorel in about:addons +"_s,
                                  u"Web: Can't be guarded"_s}));
        QVERIFY(!m->browserAccessDenied());  // a refresh is no probe

        d.browser.setAnswer(BrowserAnswer::Status::Refused);
        m->requestBrowserAccess();
        QTRY_COMPARE(lines().mid(1, 2),
                     (QStringList{u"Chromium: Extension not enabled — enable Quorel in "
                                  u"chrome://extensions"_s,
                                  u"Firefox: Extension not enabled — enable Quorel in "
                                  u"about:addons"_s}));
        QVERIFY(m->browserAccessDenied());

        BrowserAnswer other{BrowserAnswer::Status::Refused, {}};
        other.otherRelease = true;
        d.browser.setAnswer(other);
        d.workspace.running = {firefox};  // Chromium, never installed, goes from the list
        m->refreshBrowserStates();
        QTRY_COMPARE(lines().size(), 3);
        QCOMPARE(lines().at(1),
                 u"Firefox: Extension from another release: install the one that "
                 u"came with Quorel"_s);
        d.browser.setAnswer(BrowserAnswer::Status::Ok);
        m->refreshBrowserStates();
        QTRY_COMPARE(lines().at(1), u"Firefox: Guarded +"_s);
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

    // A listed domain as the front-tab check reads it (written as browsers write hosts), and as a
    // browser rule names it: the same, without a closing dot, or none when it is no DNS name (a
    // browser refuses a whole set of rules for one bad name).
    void listedHosts_data() {
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("host");  // empty: not a host
        QTest::addColumn<QString>("rule");  // empty: left out
        const auto row = [](const char* name, const QString& listed, const QString& host,
                            const QString& rule) { QTest::newRow(name) << listed << host << rule; };
        const QString none;
        row("plain", u"example.org"_s, u"example.org"_s, u"example.org"_s);
        row("case, blanks, closing dot", u" Example.ORG. "_s, u"example.org."_s, u"example.org"_s);
        row("international", u"Bücher.de"_s, u"xn--bcher-kva.de"_s, u"xn--bcher-kva.de"_s);
        row("punycode stays", u"xn--bcher-kva.de"_s, u"xn--bcher-kva.de"_s, u"xn--bcher-kva.de"_s);
        row("punycode of a tld shown so", u"xn--mnchen-3ya.xyz"_s, u"xn--mnchen-3ya.xyz"_s,
            u"xn--mnchen-3ya.xyz"_s);
        row("IPv4", u"127.0.0.1"_s, u"127.0.0.1"_s, u"127.0.0.1"_s);
        row("IPv4 written short", u"127.1"_s, u"127.0.0.1"_s, u"127.0.0.1"_s);
        row("IPv4 in hex", u"0x7f000001"_s, u"127.0.0.1"_s, u"127.0.0.1"_s);
        row("IPv4 out of range", u"1.2.3.256"_s, none, none);
        row("IPv6", u"[0:0::1]"_s, u"[::1]"_s, none);
        row("percent escapes read", u"ex%61mple.org"_s, u"example.org"_s, u"example.org"_s);
        row("a bad escape", u"ex%zzmple.org"_s, none, none);
        row("a path", u"example.org/news"_s, none, none);
        row("a port", u"example.org:8080"_s, none, none);
        row("an address", u"https://example.org"_s, none, none);
        row("user", u"me@example.org"_s, none, none);
        row("blank inside", u"exa mple.org"_s, none, none);
        row("tab inside", u"exa\tmple.org"_s, none, none);
        row("nothing", u"  "_s, none, none);
        row("empty label", u"example..org"_s, u"example..org"_s, none);
        row("a dot alone", u"."_s, u"."_s, none);
        row("label over 63", QString(64, u'a') + u".org"_s, QString(64, u'a') + u".org"_s, none);
        const QString long253 = QString(QString(60, u'a') + u'.').repeated(5) + u"org"_s;
        row("name over 253", long253, long253, none);
    }
    void listedHosts() {
        QFETCH(QString, listed);
        QFETCH(QString, host);
        QFETCH(QString, rule);
        QCOMPARE(canonicalHost(listed), host);
        QCOMPARE(ruleHost(listed).value_or(QString()), rule);
    }

    // What the browsers enforce by themselves, as the countdown and the switches stand: the
    // list only during focus, with its end; the three guards at any time; every change of one
    // turn told at once.
    void rulesFollowTheGuards_data() {
        QTest::addColumn<QString>("state");   // running, break, paused, idle
        QTest::addColumn<QString>("guards");  // which of "shorts reels adult" are on
        QTest::addColumn<QStringList>("sites");
        QTest::addColumn<qint64>("untilSeconds");  // from now; 0: no end
        const QStringList listed{u"example.org"_s, u"xn--bcher-kva.de"_s};
        QTest::newRow("running: the enabled sites, until the end")
            << u"running"_s << QString() << listed << qint64(601);
        QTest::newRow("running, every guard")
            << u"running"_s << u"shorts reels adult"_s << listed << qint64(601);
        QTest::newRow("break: the list rests")
            << u"break"_s << u"adult"_s << QStringList() << qint64(0);
        QTest::newRow("paused: the list rests")
            << u"paused"_s << QString() << QStringList() << qint64(0);
        QTest::newRow("idle, the three guards")
            << u"idle"_s << u"shorts reels adult"_s << QStringList() << qint64(0);
        QTest::newRow("idle, Shorts alone")
            << u"idle"_s << u"shorts"_s << QStringList() << qint64(0);
        QTest::newRow("nothing guarded") << u"idle"_s << QString() << QStringList() << qint64(0);
    }
    void rulesFollowTheGuards() {
        QFETCH(QString, state);
        QFETCH(QString, guards);
        QFETCH(QStringList, sites);
        QFETCH(qint64, untilSeconds);
        FakeDesktop d;
        auto m = d.makeManager();
        switchGuards(*m, guards);
        m->setBlockedSites({BlockedSite{QUuid::createUuid(), u"example.org"_s, true},
                            BlockedSite{QUuid::createUuid(), u"switched-off.org"_s, false},
                            BlockedSite{QUuid::createUuid(), u"bücher.de"_s, true},
                            BlockedSite{QUuid::createUuid(), u"example.org/path"_s, true}});
        m->chooseDuration(600);
        putIn(*m, state);
        QTRY_COMPARE(d.browser.rules().size(), 1);
        const BrowserRules rules = d.browser.rules().first();
        QCOMPARE(rules.sites, sites);
        QCOMPARE(rules.sitesUntil,
                 untilSeconds ? d.clock.now().addSecs(untilSeconds).toMSecsSinceEpoch() : 0);
        QCOMPARE(rules.adultSites,
                 guards.contains(u"adult") ? builtInAdultDomains() : QStringList());
        QCOMPARE(rules.blockYouTubeShorts, guards.contains(u"shorts"));
        QCOMPARE(rules.blockInstagramReels, guards.contains(u"reels"));
    }

    // Told when they change and only then: the heartbeat alone tells nothing, a switch is told
    // within the turn, several at once in one message; the end of focus is told again when it
    // moves against the wall clock (a suspended machine), and the list lifts when focus ends.
    void rulesAreToldWhenTheyChange() {
        FakeDesktop d;
        auto m = d.makeManager();
        const QUuid site = QUuid::createUuid();
        m->setBlockedSites({BlockedSite{site, u"example.org"_s, true}});
        m->chooseDuration(600);
        const auto told = [&d] { return d.browser.rules().size(); };
        const auto beats = [&](int count) {
            for (int i = 0; i < count; ++i) {
                d.clock.advance(1);
                m->tick();
            }
            QTest::qWait(20);
        };
        QTRY_COMPARE(told(), 1);
        beats(3);
        QCOMPARE(told(), 1);

        m->setBlockYouTubeShorts(false);
        m->setBlockInstagramReels(false);
        m->setBlockAdultSites(false);
        QTRY_COMPARE(told(), 2);
        QTest::qWait(20);
        QCOMPARE(told(), 2);
        QCOMPARE(d.browser.rules().last(), BrowserRules());

        startFocus(*m);
        QTRY_COMPARE(told(), 3);
        QCOMPARE(d.browser.rules().last().sites, QStringList{u"example.org"_s});
        const qint64 end = d.clock.now().addSecs(601).toMSecsSinceEpoch();
        QCOMPARE(d.browser.rules().last().sitesUntil, end);
        beats(5);
        QCOMPARE(told(), 3);

        d.clock.set(d.clock.now().addSecs(600));
        m->tick();
        QTRY_COMPARE(told(), 4);
        // Ten minutes suspended (the wall clock moves, time passed does not): one beat.
        QCOMPARE(d.browser.rules().last().sitesUntil, end + 599'000);

        m->setSiteEnabled(uuidText(site), false);
        QTRY_COMPARE(told(), 5);
        QCOMPARE(d.browser.rules().last(), BrowserRules());
        m->setSiteEnabled(uuidText(site), true);
        QTRY_COMPARE(told(), 6);

        m->setRemainingSeconds(0);
        m->tick();
        QVERIFY(m->isBreak());
        QTRY_COMPARE(told(), 7);
        QCOMPARE(d.browser.rules().last(), BrowserRules());
    }

    // A quit ends the session, and the browsers hear of it before the quit returns: no event
    // loop turns after it.
    void aQuitLiftsTheSitesAtOnce() {
        FakeDesktop d;
        auto m = d.makeManager();
        m->setBlockedSites({BlockedSite{QUuid::createUuid(), u"example.org"_s, true}});
        startFocus(*m);
        QTRY_COMPARE(d.browser.rules().size(), 1);
        QCOMPARE(d.browser.rules().last().sites, QStringList{u"example.org"_s});
        m->endSessionForQuit();
        QCOMPARE(d.browser.rules().size(), 2);
        QCOMPARE(d.browser.rules().last().sites, QStringList());
    }
};

QTEST_GUILESS_MAIN(TestBrowserGuard)
#include "tst_browserguard.moc"
