// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ThemeStyle.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace Quorel;

Q_DECLARE_METATYPE(Quorel::WindowGlassStep)

class TestThemeStyle : public QObject {
    Q_OBJECT

private slots:
    void glassFillThinsAsTransparencyRises_data() {
        QTest::addColumn<double>("transparency");
        QTest::addColumn<double>("materialOpacity");
        QTest::addColumn<double>("hazeOpacity");

        QTest::newRow("0 counts as 0.05") << 0.0 << 0.9725 << 0.133;
        QTest::newRow("0.5") << 0.5 << 0.725 << 0.07;
        QTest::newRow("1 counts as 0.85") << 1.0 << 0.5325 << 0.021;
        QTest::newRow("below the range") << -0.4 << 0.9725 << 0.133;
        QTest::newRow("lower bound") << 0.05 << 0.9725 << 0.133;
        QTest::newRow("upper bound") << 0.85 << 0.5325 << 0.021;
        QTest::newRow("not a number reads as the most solid")
            << std::numeric_limits<double>::quiet_NaN() << 0.9725 << 0.133;
    }

    void glassFillThinsAsTransparencyRises() {
        QFETCH(double, transparency);
        QFETCH(double, materialOpacity);
        QFETCH(double, hazeOpacity);

        const CardStyle style = cardStyle(true, transparency, 18);

        QVERIFY(style.glass);
        QCOMPARE(style.materialOpacity, materialOpacity);
        QCOMPARE(style.hazeOpacity, hazeOpacity);
        QCOMPARE(style.cornerRadius, 18.0);
    }

    void everyThemeHasItsOwnOpaqueAccentAndFaintGlows() {
        QList<RgbaColor> accents;
        for (const auto& [theme, title] : EnumCases<AppColorTheme>::all) {
            const RgbaColor accent = themeAccent(theme);
            QVERIFY2(accent.alpha == 1, qPrintable(rawValue(theme)));
            QVERIFY2(!accents.contains(accent), qPrintable(rawValue(theme)));
            accents.append(accent);

            const auto glows = themeGlowColors(theme);
            QVERIFY2(glows[0].withAlpha(1) != glows[1].withAlpha(1), qPrintable(rawValue(theme)));
            for (const RgbaColor& glow : glows) {
                QVERIFY2(glow.alpha > 0 && glow.alpha <= 0.24, qPrintable(rawValue(theme)));
            }
        }
    }

    void windowGlassGoesAsFarAsTheDesktopAllows_data() {
        QTest::addColumn<bool>("glass");
        QTest::addColumn<bool>("compositor");
        QTest::addColumn<bool>("blur");
        QTest::addColumn<WindowGlassStep>("step");

        QTest::newRow("glass off, KWin") << false << true << true << WindowGlassStep::Opaque;
        QTest::newRow("glass off, bare X") << false << false << false << WindowGlassStep::Opaque;
        QTest::newRow("no compositor") << true << false << false << WindowGlassStep::Opaque;
        // A leftover blur announcement on the root means nothing once the compositor is gone.
        QTest::newRow("blur announced, compositor gone")
            << true << false << true << WindowGlassStep::Opaque;
        QTest::newRow("compositor") << true << true << false << WindowGlassStep::Translucent;
        QTest::newRow("KWin") << true << true << true << WindowGlassStep::Blurred;
    }

    void windowGlassGoesAsFarAsTheDesktopAllows() {
        QFETCH(bool, glass);
        QFETCH(bool, compositor);
        QFETCH(bool, blur);
        QFETCH(WindowGlassStep, step);

        QCOMPARE(windowGlassStep(glass, DesktopCompositing{compositor, blur}), step);
    }

    void opaqueWindowPaintsAllOfItsBackground() {
        QCOMPARE(backdropOpacity(WindowGlassStep::Opaque), 1.0);
        // See-through, but never so much that light text stands on a bright wallpaper alone.
        for (const WindowGlassStep step :
             {WindowGlassStep::Translucent, WindowGlassStep::Blurred}) {
            QVERIFY(backdropOpacity(step) < 1);
            QVERIFY(backdropOpacity(step) >= 0.6);
        }
    }
};

QTEST_APPLESS_MAIN(TestThemeStyle)
#include "tst_themestyle.moc"
