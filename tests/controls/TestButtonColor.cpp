#include "controls/ButtonColor.h"
#include "controls/ButtonColorSet.h"

#include <QPalette>
#include <QTest>

class TestButtonColor : public QObject
{
    Q_OBJECT

private slots:
    void offsetShiftsAndCaps_data();
    void offsetShiftsAndCaps();
    void softBevelHalvesTheAmount();
    void blendMovesTowardsWhite();
    void systemColoursComeFromThePalette();
    void customSchemeDerivesFromBackColor();
    void systemAndContainerSchemes();
    void tintIsProportionalForTheGradientType();
};

void TestButtonColor::offsetShiftsAndCaps_data()
{
    QTest::addColumn<quint32>("color");
    QTest::addColumn<int>("amount");
    QTest::addColumn<bool>("proportional");
    QTest::addColumn<quint32>("expected");
    // Colours are 0xBBGGRR.
    QTest::newRow("plain up") << 0x102030u << 16 << false << 0x203040u;
    QTest::newRow("plain down") << 0x102030u << -16 << false << 0x001020u;
    QTest::newRow("capped at 255") << 0xF0F8FFu << 47 << false << 0xFFFFFFu;
    QTest::newRow("raised to 0") << 0x400010u << -64 << false << 0x000000u;
    // Blue moves by blue * n / 192 (truncated): 0x90 = 144, 144 * 48 / 192 = 36.
    QTest::newRow("proportional blue") << 0x900000u << 48 << true << 0xB43030u;
    // 144 * -25 / 192 = -18.75, truncated to -18; red and green still move by the whole amount.
    QTest::newRow("proportional down") << 0x901010u << -25 << true << 0x7E0000u;
    QTest::newRow("proportional capped") << 0xF00000u << 100 << true << 0xFF6464u;
    QTest::newRow("zero") << 0x123456u << 0 << true << 0x123456u;
    QTest::newRow("system bit dropped") << 0x80102030u << 1 << false << 0x112131u;
}

void TestButtonColor::offsetShiftsAndCaps()
{
    QFETCH(quint32, color);
    QFETCH(int, amount);
    QFETCH(bool, proportional);
    QFETCH(quint32, expected);
    QCOMPARE(ButtonColor::offset(color, amount, proportional), expected);
}

void TestButtonColor::softBevelHalvesTheAmount()
{
    QCOMPARE(ButtonColor::offset(0x808080, -64, false, true), 0x606060u);
    // -25 halves to -12 (towards zero), not -13.
    QCOMPARE(ButtonColor::offset(0x808080, -25, false, true), 0x747474u);
    QCOMPARE(ButtonColor::offset(0x808080, 1, false, true), 0x808080u);
    // Proportional blue with the halved amount: 192 + 192 * 24 / 192 = 216.
    QCOMPARE(ButtonColor::offset(0xC00000, 48, true, true), 0xD81818u);
}

void TestButtonColor::blendMovesTowardsWhite()
{
    // v becomes n + v * (255 - n) / 255.
    QCOMPARE(ButtonColor::blend(0x000000, 176), 0xB0B0B0u);
    QCOMPARE(ButtonColor::blend(0xFFFFFF, 176), 0xFFFFFFu);
    // red 0x33 = 51: 176 + 51 * 79 / 255 = 191; green 0x66 = 102: 176 + 31 = 207; blue 0xCC = 204: 176 + 63 =
    // 239.
    QCOMPARE(ButtonColor::blend(0xCC6633, 176), ButtonColor::rgb(191, 207, 239));
    QCOMPARE(ButtonColor::blend(0x804020, 0), 0x804020u);
}

void TestButtonColor::systemColoursComeFromThePalette()
{
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::ButtonText, QColor(4, 5, 6));
    palette.setColor(QPalette::Highlight, QColor(7, 8, 9));
    QCOMPARE(ButtonColor::translate(ButtonColor::ButtonFace, palette), 0x030201u);
    QCOMPARE(ButtonColor::translate(ButtonColor::ButtonText, palette), 0x060504u);
    QCOMPARE(ButtonColor::translate(ButtonColor::Highlight, palette), 0x090807u);
    QCOMPARE(ButtonColor::translate(0x00ABCDEF, palette), 0xABCDEFu);
}

void TestButtonColor::customSchemeDerivesFromBackColor()
{
    ButtonColorSet::Source source;
    source.colorScheme = 2;
    source.backColor = 0x808080;
    source.backOver = 0x102030;
    source.foreColor = 0x0000FF;
    source.foreOver = 0x00FF00;
    source.maskColor = 0xFF00FF;
    const ButtonColorSet set = ButtonColorSet::derive(source, QPalette(), QPalette());
    QCOMPARE(set.face, 0x808080u);
    QCOMPARE(set.faceOver, 0x102030u);
    QCOMPARE(set.textOver, 0x00FF00u);
    QCOMPARE(set.shadow, 0x404040u);
    QCOMPARE(set.darkShadow, 0x000000u);
    QCOMPARE(set.accentTint, 0x808080u);
    QCOMPARE(set.mask, 0xFF00FFu);

    source.softBevel = true;
    const ButtonColorSet soft = ButtonColorSet::derive(source, QPalette(), QPalette());
    QCOMPARE(soft.shadow, 0x606060u);
    QCOMPARE(soft.darkShadow, 0x202020u);
    QCOMPARE(soft.tint, 0x989898u);
}

void TestButtonColor::systemAndContainerSchemes()
{
    QPalette own;
    own.setColor(QPalette::Button, QColor(0x10, 0x20, 0x30));
    own.setColor(QPalette::ButtonText, QColor(0x01, 0x02, 0x03));
    own.setColor(QPalette::Dark, QColor(0x40, 0x40, 0x40));
    own.setColor(QPalette::Midlight, QColor(0x50, 0x50, 0x50));
    own.setColor(QPalette::Light, QColor(0x60, 0x60, 0x60));
    own.setColor(QPalette::Shadow, QColor(0x70, 0x70, 0x70));
    own.setColor(QPalette::Highlight, QColor(0x33, 0x66, 0xCC));
    QPalette container;
    container.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
    container.setColor(QPalette::WindowText, QColor(0x11, 0x22, 0x33));

    ButtonColorSet::Source source;
    source.colorScheme = 1;
    ButtonColorSet set = ButtonColorSet::derive(source, own, container);
    QCOMPARE(set.face, 0x302010u);
    QCOMPARE(set.text, 0x030201u);
    QCOMPARE(set.shadow, 0x404040u);
    QCOMPARE(set.light, 0x505050u);
    QCOMPARE(set.highlight, 0x606060u);
    QCOMPARE(set.darkShadow, 0x707070u);
    QCOMPARE(set.accent, 0xCC6633u);
    QCOMPARE(set.accentTint, ButtonColor::rgb(191, 207, 239));

    source.colorScheme = 4;
    set = ButtonColorSet::derive(source, own, container);
    QCOMPARE(set.face, 0x808080u);
    QCOMPARE(set.text, 0x332211u);
    QCOMPARE(set.shadow, 0x404040u);
    QCOMPARE(set.darkShadow, 0x000000u);
    QCOMPARE(set.accent, 0xCC6633u);
}

void TestButtonColor::tintIsProportionalForTheGradientType()
{
    ButtonColorSet::Source source;
    source.colorScheme = 2;
    source.backColor = 0x900000; // blue 144
    source.buttonType = 3;
    QCOMPARE(ButtonColorSet::derive(source, QPalette(), QPalette()).tint, 0xB43030u);
    source.buttonType = 2;
    QCOMPARE(ButtonColorSet::derive(source, QPalette(), QPalette()).tint, 0xC03030u);
}

QTEST_MAIN(TestButtonColor)
#include "TestButtonColor.moc"
