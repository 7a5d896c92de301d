#include "ButtonTestHost.h"
#include "controls/AccessKey.h"
#include "controls/ButtonColor.h"
#include "controls/PropertyBag.h"
#include "controls/VemraButton.h"

#include <QBuffer>
#include <QDataStream>
#include <QSignalSpy>
#include <QTest>

#include <functional>

Q_DECLARE_METATYPE(std::function<void(VemraButton&)>)

namespace {

const QStringList StoreKeys = {"BTYPE", "TX",     "ENAB",  "FONT", "COLTYPE", "FOCUSR", "BCOL", "BCOLO",
                               "FCOL",  "FCOLO",  "MCOL",  "MPTR", "MICON",   "PICN",   "PICH", "UMCOL",
                               "SOFT",  "PICPOS", "NGREY", "FX",   "HAND",    "CHECK",  "VALUE"};

PropertyBag throughStream(const PropertyBag& bag)
{
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        bag.save(out);
    }
    QDataStream in(bytes);
    PropertyBag loaded;
    if (!loaded.load(in))
        qFatal("property bag did not load");
    return loaded;
}

QPixmap solidPixmap(QColor color)
{
    QPixmap pixmap(5, 3);
    pixmap.fill(color);
    return pixmap;
}

} // namespace

class TestVemraButtonProperties : public QObject
{
    Q_OBJECT

private slots:
    void newButtonDefaults();
    void settersNotifyWithTheirKey_data();
    void settersNotifyWithTheirKey();
    void designTimeCopiesColoursToHover();
    void fontShortcuts();
    void handPointer();
    void writesEveryKeyInOrder();
    void roundTripThroughTheStore();
    void missingKeysReadAsDefaults();
    void keysCompareWithoutCase();
    void readingDoesNotPaint();
    void accessKeyFromCaption_data();
    void accessKeyFromCaption();
    void accessibleNameIsTheShownCaption();
};

void TestVemraButtonProperties::newButtonDefaults()
{
    VemraButton button(QStringLiteral("VemraButton1"));
    const QPalette palette = button.palette();
    QCOMPARE(button.caption(), QStringLiteral("VemraButton1"));
    QCOMPARE(button.buttonType(), 2);
    QCOMPARE(button.colorScheme(), 1);
    QVERIFY(button.enabled());
    QVERIFY(button.showFocusRect());
    QVERIFY(button.useMaskColor());
    QCOMPARE(button.maskColor(), 0xC0C0C0u);
    // The colours start as plain values of the system colours, not as system colour names.
    QCOMPARE(button.backColor(), ButtonColor::fromQColor(palette.color(QPalette::Active, QPalette::Button)));
    QCOMPARE(button.backOver(), button.backColor());
    QCOMPARE(button.foreColor(),
             ButtonColor::fromQColor(palette.color(QPalette::Active, QPalette::ButtonText)));
    QCOMPARE(button.foreOver(), button.foreColor());
    QVERIFY(!button.softBevel() && !button.useGreyscale() && !button.checkBoxBehaviour() && !button.value());
    QCOMPARE(button.picturePosition(), 0);
    QCOMPARE(button.specialEffect(), 0);
    QCOMPARE(button.mousePointer(), short(0));
    QVERIFY(button.pictureNormal().isNull());
    QCOMPARE(VemraButton::version(), QStringLiteral("2.0.6"));
}

void TestVemraButtonProperties::settersNotifyWithTheirKey_data()
{
    using Setter = std::function<void(VemraButton&)>;
    QTest::addColumn<Setter>("setter");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("paints");
    QTest::newRow("BackColor") << Setter([](VemraButton& b) { b.setBackColor(1); }) << "BCOL" << true;
    QTest::newRow("BackOver") << Setter([](VemraButton& b) { b.setBackOver(1); }) << "BCOLO" << true;
    QTest::newRow("ForeColor") << Setter([](VemraButton& b) { b.setForeColor(1); }) << "FCOL" << true;
    QTest::newRow("ForeOver") << Setter([](VemraButton& b) { b.setForeOver(1); }) << "FCOLO" << true;
    QTest::newRow("MaskColor") << Setter([](VemraButton& b) { b.setMaskColor(1); }) << "MCOL" << true;
    QTest::newRow("ButtonType") << Setter([](VemraButton& b) { b.setButtonType(8); }) << "BTYPE" << true;
    QTest::newRow("Caption") << Setter([](VemraButton& b) { b.setCaption("x"); }) << "TX" << true;
    QTest::newRow("Enabled") << Setter([](VemraButton& b) { b.setEnabled(false); }) << "ENAB" << true;
    QTest::newRow("Font") << Setter([](VemraButton& b) { b.setFont(QFont()); }) << "FONT" << true;
    QTest::newRow("ColorScheme") << Setter([](VemraButton& b) { b.setColorScheme(3); }) << "COLTYPE" << true;
    QTest::newRow("ShowFocusRect") << Setter([](VemraButton& b) { b.setShowFocusRect(false); }) << "FOCUSR"
                                   << true;
    QTest::newRow("MousePointer") << Setter([](VemraButton& b) { b.setMousePointer(2); }) << "MPTR" << false;
    QTest::newRow("MouseIcon") << Setter([](VemraButton& b) { b.setMouseIcon(solidPixmap(Qt::red)); })
                               << "MICON" << false;
    QTest::newRow("HandPointer") << Setter([](VemraButton& b) { b.setHandPointer(true); }) << "HAND" << false;
    QTest::newRow("SoftBevel") << Setter([](VemraButton& b) { b.setSoftBevel(true); }) << "SOFT" << true;
    QTest::newRow("PictureNormal") << Setter([](VemraButton& b) { b.setPictureNormal(solidPixmap(Qt::red)); })
                                   << "PICN" << true;
    QTest::newRow("PictureOver not hovered")
        << Setter([](VemraButton& b) { b.setPictureOver(solidPixmap(Qt::red)); }) << "PICO" << false;
    QTest::newRow("PicturePosition") << Setter([](VemraButton& b) { b.setPicturePosition(2); }) << "PICPOS"
                                     << true;
    QTest::newRow("UseMaskColor without picture")
        << Setter([](VemraButton& b) { b.setUseMaskColor(false); }) << "UMCOL" << false;
    QTest::newRow("UseGreyscale without picture")
        << Setter([](VemraButton& b) { b.setUseGreyscale(true); }) << "NGREY" << false;
    QTest::newRow("SpecialEffect") << Setter([](VemraButton& b) { b.setSpecialEffect(1); }) << "FX" << true;
    QTest::newRow("CheckBoxBehaviour")
        << Setter([](VemraButton& b) { b.setCheckBoxBehaviour(true); }) << "CHECK" << true;
    QTest::newRow("Value without toggle")
        << Setter([](VemraButton& b) { b.setValue(true); }) << "VALUE" << false;
}

void TestVemraButtonProperties::settersNotifyWithTheirKey()
{
    QFETCH(std::function<void(VemraButton&)>, setter);
    QFETCH(QString, key);
    QFETCH(bool, paints);

    ButtonTestHost host;
    QSignalSpy changes(host.button, &VemraButton::PropertyChanged);
    const int painted = host.button->paintCount();
    setter(*host.button);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toString(), key);
    QCOMPARE(host.button->paintCount() > painted, paints);
}

void TestVemraButtonProperties::designTimeCopiesColoursToHover()
{
    VemraButton button;
    button.setBackOver(0x111111);
    button.setBackColor(0x222222);
    QCOMPARE(button.backOver(), 0x111111u);
    button.setDesignMode(true);
    button.setBackColor(0x333333);
    button.setForeColor(0x444444);
    QCOMPARE(button.backOver(), 0x333333u);
    QCOMPARE(button.foreOver(), 0x444444u);
    QVERIFY(!button.fontBold());
    button.setButtonType(5);
    QVERIFY(button.fontBold());
}

void TestVemraButtonProperties::fontShortcuts()
{
    ButtonTestHost host;
    QSignalSpy changes(host.button, &VemraButton::PropertyChanged);
    const int painted = host.button->paintCount();
    host.button->setFontBold(true);
    host.button->setFontItalic(true);
    host.button->setFontUnderline(true);
    host.button->setFontName(QStringLiteral("Tahoma"));
    QFont font = host.button->font();
    font.setPointSizeF(10.6);
    host.button->setFont(font);
    QCOMPARE(host.button->fontSize(), short(11));
    host.button->setFontSize(7);
    QVERIFY(host.button->fontBold() && host.button->fontItalic() && host.button->fontUnderline());
    QCOMPARE(host.button->font().pointSize(), 7);
    QCOMPARE(host.button->fontName(), host.button->font().family());
    // Only Font itself notifies; every change repaints.
    QCOMPARE(changes.count(), 1);
    QCOMPARE(host.button->paintCount(), painted + 6);
}

void TestVemraButtonProperties::handPointer()
{
    VemraButton button;
    button.setMouseIcon(solidPixmap(Qt::blue));
    button.setHandPointer(true);
    QCOMPARE(button.mousePointer(), short(99));
    QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);
    button.setHandPointer(false);
    QCOMPARE(button.mousePointer(), short(1));
    QCOMPARE(button.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(button.mouseIcon().isNull());
}

void TestVemraButtonProperties::writesEveryKeyInOrder()
{
    VemraButton button;
    PropertyBag bag;
    button.writeProperties(bag);
    QCOMPARE(bag.keys(), StoreKeys);
    QCOMPARE(bag.readProperty("MPTR").metaType().id(), QMetaType::Short);
    QCOMPARE(bag.readProperty("BTYPE").metaType().id(), QMetaType::Int);
    QCOMPARE(bag.readProperty("BCOL").metaType().id(), QMetaType::UInt);
}

void TestVemraButtonProperties::roundTripThroughTheStore()
{
    VemraButton original;
    original.setButtonType(14);
    original.setCaption(QStringLiteral("&Save"));
    original.setEnabled(false);
    QFont font(QStringLiteral("Serif"), 13);
    font.setItalic(true);
    original.setFont(font);
    original.setColorScheme(2);
    original.setShowFocusRect(false);
    original.setBackColor(0x010203);
    original.setBackOver(0x040506);
    original.setForeColor(ButtonColor::WindowText);
    original.setForeOver(0x0A0B0C);
    original.setMaskColor(0xFF00FF);
    original.setMousePointer(3);
    original.setPictureNormal(solidPixmap(Qt::red));
    original.setPictureOver(QIcon(solidPixmap(Qt::green)));
    original.setUseMaskColor(false);
    original.setSoftBevel(true);
    original.setPicturePosition(3);
    original.setUseGreyscale(true);
    original.setSpecialEffect(2);
    original.setCheckBoxBehaviour(true);
    original.setValue(true);

    PropertyBag bag;
    original.writeProperties(bag);
    VemraButton copy;
    copy.readProperties(throughStream(bag));

    QCOMPARE(copy.buttonType(), 14);
    QCOMPARE(copy.caption(), QStringLiteral("&Save"));
    QCOMPARE(copy.accessKey(), QChar(u's'));
    QVERIFY(!copy.enabled());
    QVERIFY(!copy.isEnabled());
    QCOMPARE(copy.font().pointSize(), 13);
    QVERIFY(copy.fontItalic());
    QCOMPARE(copy.colorScheme(), 2);
    QVERIFY(!copy.showFocusRect());
    QCOMPARE(copy.backColor(), 0x010203u);
    QCOMPARE(copy.backOver(), 0x040506u);
    QCOMPARE(copy.foreColor(), quint32(ButtonColor::WindowText));
    QCOMPARE(copy.foreOver(), 0x0A0B0Cu);
    QCOMPARE(copy.maskColor(), 0xFF00FFu);
    QCOMPARE(copy.mousePointer(), short(3));
    QCOMPARE(copy.cursor().shape(), Qt::IBeamCursor);
    QCOMPARE(copy.pictureNormal().pixelSize(), QSize(5, 3));
    QCOMPARE(copy.pictureNormal().pixmap().toImage().pixelColor(2, 1), QColor(Qt::red));
    QVERIFY(copy.pictureOver().isIcon());
    QVERIFY(!copy.useMaskColor());
    QVERIFY(copy.softBevel());
    QCOMPARE(copy.picturePosition(), 3);
    QVERIFY(copy.useGreyscale());
    QCOMPARE(copy.specialEffect(), 2);
    QVERIFY(copy.checkBoxBehaviour());
    QVERIFY(copy.value());
    QVERIFY(!copy.handPointer());
}

void TestVemraButtonProperties::missingKeysReadAsDefaults()
{
    VemraButton button(QStringLiteral("Before"));
    button.setButtonType(9);
    button.setSpecialEffect(3);
    const QFont font = button.font();
    PropertyBag bag;
    bag.writeProperty(QStringLiteral("BCOL"), 0x123456u);
    bag.writeProperty(QStringLiteral("FCOL"), 0x654321u);
    button.readProperties(bag);
    QCOMPARE(button.buttonType(), 2);
    QCOMPARE(button.caption(), QString());
    QVERIFY(button.enabled());
    QCOMPARE(button.font(), font);
    QCOMPARE(button.colorScheme(), 1);
    QVERIFY(button.showFocusRect());
    // The hover colours default to the colours just read.
    QCOMPARE(button.backOver(), 0x123456u);
    QCOMPARE(button.foreOver(), 0x654321u);
    QCOMPARE(button.maskColor(), 0xC0C0C0u);
    QVERIFY(button.useMaskColor());
    QCOMPARE(button.specialEffect(), 0);
    QVERIFY(button.pictureNormal().isNull());

    button.readProperties(PropertyBag());
    QCOMPARE(button.backColor(), quint32(ButtonColor::ButtonFace));
    QCOMPARE(button.backOver(), quint32(ButtonColor::ButtonFace));
    QCOMPARE(button.foreColor(), quint32(ButtonColor::ButtonText));
    QCOMPARE(button.foreOver(), quint32(ButtonColor::ButtonText));
}

void TestVemraButtonProperties::keysCompareWithoutCase()
{
    // The stored windows carry their keys in lower case, colours as signed numbers.
    QVariantMap stored;
    stored.insert(QStringLiteral("btype"), 8);
    stored.insert(QStringLiteral("tx"), QStringLiteral("&Close"));
    stored.insert(QStringLiteral("coltype"), 2);
    stored.insert(QStringLiteral("bcol"), qint32(-2147483633)); // the system button face
    stored.insert(QStringLiteral("Value"), true);
    VemraButton button;
    button.readProperties(PropertyBag(stored));
    QCOMPARE(button.buttonType(), 8);
    QCOMPARE(button.caption(), QStringLiteral("&Close"));
    QCOMPARE(button.colorScheme(), 2);
    QCOMPARE(button.backColor(), quint32(ButtonColor::ButtonFace));
    QVERIFY(button.value());

    // Writing over a key that differs only in case replaces it.
    PropertyBag bag(stored);
    bag.writeProperty(QStringLiteral("BTYPE"), 3);
    QCOMPARE(bag.readProperty(QStringLiteral("Btype")).toInt(), 3);
    QCOMPARE(bag.toMap().count(), stored.count());
}

void TestVemraButtonProperties::readingDoesNotPaint()
{
    ButtonTestHost host;
    PropertyBag bag;
    host.button->writeProperties(bag);
    bag.writeProperty(QStringLiteral("TX"), QStringLiteral("Read"));
    bag.writeProperty(QStringLiteral("FONT"), QFont(QStringLiteral("Serif"), 20));
    bag.writeProperty(QStringLiteral("ENAB"), false);
    bag.writeProperty(QStringLiteral("BTYPE"), 3);
    QSignalSpy changes(host.button, &VemraButton::PropertyChanged);
    const int painted = host.button->paintCount();
    host.button->readProperties(bag);
    QCOMPARE(host.button->paintCount(), painted);
    QCOMPARE(changes.count(), 0);

    // A stored hand pointer is set through its setter, which reports it.
    bag.writeProperty(QStringLiteral("HAND"), true);
    host.button->readProperties(bag);
    QCOMPARE(host.button->paintCount(), painted);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toString(), QStringLiteral("HAND"));
    QCOMPARE(host.button->mousePointer(), short(99));
}

void TestVemraButtonProperties::accessKeyFromCaption_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QChar>("key");
    QTest::newRow("none") << "Change Color" << QChar();
    QTest::newRow("marked") << "C&hange Color" << QChar(u'h');
    QTest::newRow("upper case marked") << "&Save" << QChar(u's');
    QTest::newRow("doubled pair only") << "Save && Exit" << QChar();
    QTest::newRow("pair then single") << "R&&D &Notes" << QChar(u'n');
    QTest::newRow("two pairs") << "A&&B&&C" << QChar();
    QTest::newRow("pair then last") << "A&&B&" << QChar();
    QTest::newRow("last character") << "Save&" << QChar();
    QTest::newRow("one character") << "&" << QChar();
    QTest::newRow("empty") << "" << QChar();
    QTest::newRow("triple") << "&&&x" << QChar(u'x');
}

void TestVemraButtonProperties::accessKeyFromCaption()
{
    QFETCH(QString, caption);
    QFETCH(QChar, key);
    QCOMPARE(AccessKey::fromCaption(caption), key);
}

void TestVemraButtonProperties::accessibleNameIsTheShownCaption()
{
    VemraButton button(QStringLiteral("R&&D &Notes"));
    QCOMPARE(button.accessibleName(), QStringLiteral("R&D Notes"));
    button.setCaption(QStringLiteral("Save&"));
    QCOMPARE(button.accessibleName(), QStringLiteral("Save"));
}

QTEST_MAIN(TestVemraButtonProperties)
#include "TestVemraButtonProperties.moc"
