// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Renders the main window on fixed, realistic fake data: every screen with the glass look on
// and off, and each colour theme once. Usage: quorel-screenshots [output folder]

#include "Fakes.h"
#include "MainWindowState.h"

#include <QtQml/qqmlextensionplugin.h>
#include <QAnimationDriver>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTimer>

#include <chrono>
#include <cstdio>

Q_IMPORT_QML_PLUGIN(QuorelPlugin)

using namespace Quorel;

namespace {

constexpr QSize shotSize(1100, 720);

QString stamp(QDate date) {
    return QStringLiteral("%1-%2-%3").arg(date.year()).arg(date.month()).arg(date.day());
}

FocusSchedule schedule(const QString& title, FocusPreset preset, int startHour, int startMinute,
                       int endHour, int endMinute, bool enabled) {
    return FocusSchedule{QUuid::createUuid(), title,   preset,    startHour,
                         startMinute,         endHour, endMinute, enabled};
}

BlockedApp app(const QString& name, std::optional<qint64> limitMinutes = std::nullopt) {
    return BlockedApp{QUuid::createUuid(), name, true, limitMinutes};
}

BlockedSite site(const QString& domain) {
    return BlockedSite{QUuid::createUuid(), domain, true};
}

// A morning of someone who works at a computer: a week of history, today's top apps,
// three schedules (none running at the fake clock's 10:00), a short block list.
void fillWithADay(FocusManager& manager, QDate today) {
    manager.setScreenTimeMode(ScreenTimeTrackingMode::AllApps);
    manager.setDailyGoalHours(4.0);
    manager.setSchedules({
        schedule(QStringLiteral("Morning Deep Work"), FocusPreset::DeepWork, 7, 30, 9, 0, true),
        schedule(QStringLiteral("Study Block"), FocusPreset::Study, 14, 0, 15, 30, true),
        schedule(QStringLiteral("Evening Wind Down"), FocusPreset::WindDown, 21, 30, 22, 30, false),
    });
    manager.setBlockedApps({app(QStringLiteral("Slack"), 30), app(QStringLiteral("Discord")),
                            app(QStringLiteral("Steam"), 60)});
    manager.setBlockedSites({site(QStringLiteral("youtube.com")),
                             site(QStringLiteral("reddit.com")), site(QStringLiteral("x.com"))});

    const SecondsMap apps{
        {QStringLiteral("Firefox"), 4200}, {QStringLiteral("Visual Studio Code"), 3000},
        {QStringLiteral("Slack"), 1200},   {QStringLiteral("Terminal"), 900},
        {QStringLiteral("Spotify"), 600},
    };
    manager.setTrackedAppSeconds(apps);
    manager.setTrackedBlockedAppSeconds({{QStringLiteral("Slack"), 1200}});

    SecondsMap days;
    const qint64 pastDays[] = {4 * 3600 + 600,  3 * 3600,        5 * 3600 + 1800,
                               2 * 3600 + 2400, 4 * 3600 + 1200, 1 * 3600 + 1800};
    for (int back = 6; back >= 1; --back) {
        days.insert(stamp(today.addDays(-back)), pastDays[6 - back]);
    }
    qint64 todaySeconds = 0;
    for (const qint64 seconds : apps) {
        todaySeconds += seconds;
    }
    days.insert(stamp(today), todaySeconds);
    manager.setDailySecondsByDate(days);
    manager.setDailyBlockedSecondsByDate({{stamp(today), 1200}});
    manager.setFocusMinutesToday(95);
    manager.setSessionsToday(3);
}

// Waits `duration` of real time with the event loop running.
void pause(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// Animation time that moves one whole frame per step, only when the tool steps it: a shot
// waits for the last animation to end however slow the machine, and never catches one half way.
class SteppedAnimationDriver final : public QAnimationDriver {
public:
    qint64 elapsed() const override { return m_elapsed; }

    // Steps frame by frame until no animation runs; false if one still runs after `limit` of
    // animation time (an endless one would never let a shot settle).
    bool runToEnd(std::chrono::milliseconds limit) {
        constexpr std::chrono::milliseconds frame(16);
        for (std::chrono::milliseconds spent{0}; isRunning(); spent += frame) {
            if (spent >= limit) {
                return false;
            }
            m_elapsed += frame.count();
            advance();
            // In real time too: some animations end on a timer, and the driver is started and
            // stopped through queued calls.
            pause(frame);
        }
        return true;
    }

protected:
    // The animation system adds this to the time it had when the driver started.
    void start() override {
        m_elapsed = 0;
        QAnimationDriver::start();
    }

private:
    qint64 m_elapsed = 0;
};

// Lets queued work (the window adjustment, loaders) happen, then runs what it started to its end.
bool settle(SteppedAnimationDriver& animations) {
    pause(std::chrono::milliseconds(250));
    return animations.runToEnd(std::chrono::seconds(10));
}

bool shoot(QQuickWindow& window, SteppedAnimationDriver& animations, const QDir& folder,
           const QString& name) {
    if (!settle(animations)) {
        std::fprintf(stderr, "quorel-screenshots: %s: an animation never ends\n", qPrintable(name));
        return false;
    }
    const QImage image = window.grabWindow();
    const QString path = folder.filePath(name + QStringLiteral(".png"));
    if (image.isNull() || !image.save(path)) {
        std::fprintf(stderr, "quorel-screenshots: could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

QString fileStem(const QString& title) {
    return title.toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
}

}  // namespace

int main(int argc, char* argv[]) {
    // The app's own renderer, so the shots match what users see without a GPU.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QGuiApplication application(argc, argv);
    QQuickStyle::setStyle(QStringLiteral("Basic"));
    SteppedAnimationDriver animations;
    animations.install();

    const QStringList arguments = QCoreApplication::arguments();
    const QDir folder(arguments.size() > 1 ? arguments.at(1)
                                           : QStringLiteral(QUOREL_SCREENSHOTS_DIR));
    if (!QDir().mkpath(folder.absolutePath())) {
        std::fprintf(stderr, "quorel-screenshots: cannot create %s\n",
                     qPrintable(folder.absolutePath()));
        return 1;
    }

    FakeDesktop desktop;
    desktop.workspace.frontmost = QStringLiteral("Firefox");
    std::unique_ptr<FocusManager> manager = desktop.makeManager();
    fillWithADay(*manager, desktop.clock.now().date());

    QQmlApplicationEngine engine;
    engine.addImportPath(QStringLiteral("qrc:/qt/qml"));
    engine.load(QUrl(QStringLiteral("qrc:/qt/qml/Quorel/qml/MainWindow.qml")));
    auto* window = engine.rootObjects().isEmpty()
                       ? nullptr
                       : qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
    if (window == nullptr) {
        std::fprintf(stderr, "quorel-screenshots: the main window did not load\n");
        return 1;
    }
    window->resize(shotSize);
    window->show();

    bool ok = true;
    for (const bool glass : {true, false}) {
        manager->setGlassEnabled(glass);
        for (const auto& [tab, title] : EnumCases<FocusTab>::all) {
            MainWindowState::of(*manager).setSelectedTab(tab);
            const QString name = fileStem(rawValue(tab)) +
                                 (glass ? QStringLiteral("-glass") : QStringLiteral("-plain"));
            ok &= shoot(*window, animations, folder, name);
        }
    }

    // A session under way, once per theme.
    MainWindowState::of(*manager).setSelectedTab(FocusTab::Focus);
    manager->setGlassEnabled(true);
    manager->setSelectedPreset(FocusPreset::Study);
    manager->toggleStartPause();
    manager->setRemainingSeconds(18 * 60 + 42);
    for (const auto& [theme, title] : EnumCases<AppColorTheme>::all) {
        manager->setColorTheme(theme);
        ok &= shoot(*window, animations, folder,
                    QStringLiteral("theme-") + fileStem(rawValue(theme)));
    }
    manager->setColorTheme(AppColorTheme::Ocean);

    // The block shield over the window, in both looks.
    manager->setInterceptedTargetName(QStringLiteral("Slack"));
    ok &= shoot(*window, animations, folder, QStringLiteral("shield-glass"));
    manager->setGlassEnabled(false);
    ok &= shoot(*window, animations, folder, QStringLiteral("shield-plain"));
    manager->setInterceptedTargetName({});

    // Strict mode last: it locks the countdown for the rest of the run. The Blockers screen
    // shows what the lock disables.
    manager->resetTimer();
    manager->setSelectedPreset(FocusPreset::DeepWork);
    manager->toggleStartPause();
    for (const bool glass : {true, false}) {
        manager->setGlassEnabled(glass);
        MainWindowState::of(*manager).setSelectedTab(FocusTab::Blockers);
        ok &= shoot(*window, animations, folder,
                    QStringLiteral("strict-") +
                        (glass ? QStringLiteral("glass") : QStringLiteral("plain")));
    }
    return ok ? 0 : 1;
}
