#include "controls/FlatDecorator.h"
#include "controls/FlatDrawing.h"
#include "controls/FlatFrame.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTest>

#include <memory>

namespace {

// Colours no style paints by itself, so that each probe tells which drawing rule painted the pixel.
const QColor Face(200, 40, 40), Light(40, 200, 40), Dark(40, 40, 200), Base(230, 230, 20), Back(90, 90, 90);
const QPoint Away(-100, -100);

struct Probe
{
    QPoint at;
    QColor colour;
};

// A window with a combo box and a text box at fixed places, as the program lays out its windows.
struct Form
{
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QComboBox* combo = new QComboBox(window.get());
    QLineEdit* edit = new QLineEdit(window.get());
    QPoint pointer = Away;

    Form()
    {
        QPalette palette;
        for (auto [role, colour] : {std::pair{QPalette::Button, Face},
                                    {QPalette::Light, Light},
                                    {QPalette::Dark, Dark},
                                    {QPalette::Base, Base},
                                    {QPalette::Window, Back}})
            palette.setColor(role, colour);
        window->setPalette(palette);
        window->setAutoFillBackground(true);
        window->resize(240, 160);
        combo->addItems({"One time", "Monthly", "Yearly"});
        combo->setGeometry(10, 10, 140, 24);
        edit->setGeometry(10, 60, 140, 26);
    }
    void show()
    {
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    // Points at the widget's middle, coming from an empty corner of the window so that the widget
    // sees the pointer arrive whatever an earlier test left it.
    void hover(FlatDecorator& flat, QWidget* widget)
    {
        flat.setPointerSource([this] { return pointer; });
        pointer = widget->mapToGlobal(widget->rect().center());
        QTest::mouseMove(window.get(), QPoint(window->width() - 1, window->height() - 1));
        QTest::mouseMove(widget, widget->rect().center());
    }
    void verify(QPoint origin, const QList<Probe>& probes) const
    {
        const QImage image = window->grab().toImage();
        for (const Probe& probe : probes) {
            const QPoint at = origin + probe.at;
            const QString seen = image.pixelColor(at).name();
            QVERIFY2(seen == probe.colour.name(),
                     qPrintable(QString("(%1, %2) is %3").arg(at.x()).arg(at.y()).arg(seen)));
        }
    }
};

// Outer ring, inner ring and drop button edges of a combo, worked out from the drawing rules.
QList<Probe> comboProbes(const QComboBox* combo, FlatState state, bool enabled)
{
    const int w = combo->width(), h = combo->height(), mid = h / 2;
    const int a = w - 2 - FlatFrame::dropButtonWidth(combo); // left edge of the drop button's area
    const bool flat = state == FlatState::Normal;
    QList<Probe> probes = {{{0, 0}, flat ? Face : Dark},
                           {{w - 1, h - 1}, flat ? Face : Light},
                           {{1, mid}, enabled ? Face : Light}};
    if (!enabled)
        return probes << Probe{{a, mid}, Face} << Probe{{a + 1, mid}, Face} << Probe{{w - 3, mid}, Face};
    if (state == FlatState::Normal)
        return probes << Probe{{a, mid}, Base} << Probe{{a + 1, mid}, Light} << Probe{{w - 3, mid}, Face};
    const bool pressed = state == FlatState::DroppedDown;
    return probes << Probe{{a, mid}, Face} << Probe{{a + 1, mid}, pressed ? Dark : Light}
                  << Probe{{w - 3, mid}, pressed ? Light : Dark};
}

// The two rings around a text box, in its parent's coordinates, and the parent just outside them.
QList<Probe> textBoxProbes(const QWidget* control, FlatState state, bool enabled)
{
    const QRect g = control->geometry().adjusted(-2, -2, 2, 2);
    const bool flat = state == FlatState::Normal;
    return {{g.topLeft(), flat ? Face : Dark},
            {g.bottomRight(), flat ? Face : Light},
            {{g.left() + 1, g.center().y()}, enabled ? Face : Light},
            {{g.left() - 1, g.center().y()}, Back}};
}

} // namespace

class TestFlatDecorator : public QObject
{
    Q_OBJECT

private slots:
    void rect3DPaintsEachEdgeOnce();
    void attachRefusesWhatIsNotAWidget();
    void attachMovesOnlyTextBoxes();
    void comboLooks();
    void textBoxAndDisabledLooks();
    void hoverStartsOnMoveAndEndsWhenThePointerLeaves();
    void dropDownAndCloseUp();
    void detachAndDeletedControls();
};

void TestFlatDecorator::rect3DPaintsEachEdgeOnce()
{
    QImage image(10, 7, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        Rect3D(painter, 1, 1, 6, 5, Qt::red, Qt::blue);
        Rect3D(painter, 8, 1, 8, 5, Qt::red, Qt::blue); // no width: one column in c1
    }
    // [1, 6) x [1, 5): left column and top row in c1, right column and bottom row in c2; the top-left
    // and bottom-left corners are c1, the other two c2.
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool inside = x >= 1 && x < 6 && y >= 1 && y < 5;
            QColor expected = inside && (x == 5 || y == 4) ? Qt::blue : Qt::white;
            if ((inside && (x == 1 || (y == 1 && x < 5))) || (x == 8 && y >= 1 && y < 5))
                expected = Qt::red;
            QCOMPARE(image.pixelColor(x, y), expected);
        }
    }
}

void TestFlatDecorator::attachRefusesWhatIsNotAWidget()
{
    Form form;
    FlatDecorator flat;
    QVERIFY(flat.Attach(form.combo));
    QObject notAControl;
    QVERIFY(!flat.Attach(&notAControl));
    QVERIFY(!flat.isAttached());
    QCOMPARE(flat.decoratedWidget(), nullptr);
    QCOMPARE(flat.lastError().number, 0x80040419u);
    QCOMPARE(flat.lastError().source,
             QFileInfo(QCoreApplication::applicationFilePath()).fileName() + ".FlatDecorator");
    QCOMPARE(
        flat.lastError().description,
        QString(
            "Incorrect control type passed to 'Attach' parameter - must be a control with a hWnd property."));
    QVERIFY(!flat.Attach(nullptr));
    QVERIFY(flat.Attach(form.edit));
    QCOMPARE(flat.lastError().number, 0u);
}

void TestFlatDecorator::attachMovesOnlyTextBoxes()
{
    Form form;
    auto* plain = new QPlainTextEdit(form.window.get());
    plain->setGeometry(160, 10, 60, 50);
    FlatDecorator combo, edit, plainFlat;
    QVERIFY(combo.Attach(form.combo) && combo.isCombo());
    QVERIFY(edit.Attach(form.edit) && !edit.isCombo());
    QVERIFY(plainFlat.Attach(plain) && !plainFlat.isCombo());
    QCOMPARE(form.combo->geometry(), QRect(10, 10, 140, 24));
    QCOMPARE(form.edit->geometry(), QRect(12, 62, 136, 22));
    QCOMPARE(plain->geometry(), QRect(162, 12, 56, 46));

    // A text box attached again, by the same or another decorator, is not shrunk a second time.
    QVERIFY(edit.Attach(form.edit) && plainFlat.Attach(form.edit));
    QCOMPARE(form.edit->geometry(), QRect(12, 62, 136, 22));

    // One put back in its designed place, as a window does when it opens again, gets its room again.
    edit.Detach();
    form.edit->setGeometry(10, 60, 140, 26);
    QVERIFY(edit.Attach(form.edit));
    QCOMPARE(form.edit->geometry(), QRect(12, 62, 136, 22));
}

void TestFlatDecorator::comboLooks()
{
    Form form;
    FlatDecorator flat;
    QVERIFY(flat.Attach(form.combo));
    form.show();
    form.edit->setFocus();
    QCOMPARE(flat.drawState(), FlatState::Normal);
    form.verify(form.combo->pos(), comboProbes(form.combo, FlatState::Normal, true));

    // An editable combo counts as focused while its edit field has the focus.
    form.combo->setEditable(true);
    form.verify(form.combo->pos(), comboProbes(form.combo, FlatState::Normal, true));
    form.combo->lineEdit()->setFocus();
    QCOMPARE(flat.drawState(), FlatState::HotOrFocused);
    form.verify(form.combo->pos(), comboProbes(form.combo, FlatState::HotOrFocused, true));
}

void TestFlatDecorator::textBoxAndDisabledLooks()
{
    Form form;
    FlatDecorator combo, edit;
    QVERIFY(combo.Attach(form.combo) && edit.Attach(form.edit));
    form.show();
    form.combo->setFocus();
    QCOMPARE(edit.drawState(), FlatState::Normal);
    form.verify({}, textBoxProbes(form.edit, FlatState::Normal, true));

    QTest::keyClick(form.window.get(), Qt::Key_Tab);
    QTRY_VERIFY(form.edit->hasFocus());
    QCOMPARE(combo.drawState(), FlatState::Normal);
    QCOMPARE(edit.drawState(), FlatState::HotOrFocused);
    form.verify({}, textBoxProbes(form.edit, FlatState::HotOrFocused, true));

    // The frame follows the text box when the window moves it.
    form.edit->move(30, 70);
    form.verify({}, textBoxProbes(form.edit, FlatState::HotOrFocused, true));

    // Disabled, the inner ring turns to the highlight colour and a combo's drop button loses its edges.
    form.hover(combo, form.combo);
    QTRY_VERIFY(combo.isHot());
    form.combo->setEnabled(false);
    form.edit->setEnabled(false);
    form.verify(form.combo->pos(), comboProbes(form.combo, FlatState::HotOrFocused, false));
    form.verify({}, textBoxProbes(form.edit, FlatState::Normal, false));
}

void TestFlatDecorator::hoverStartsOnMoveAndEndsWhenThePointerLeaves()
{
    Form form;
    FlatDecorator flat;
    QVERIFY(flat.Attach(form.combo));
    form.show();
    form.edit->setFocus();
    form.hover(flat, form.combo);
    QTRY_VERIFY(flat.isHot());
    QVERIFY(flat.hoverTimer().isActive());
    QCOMPARE(flat.hoverTimer().interval(), 10);
    form.verify(form.combo->pos(), comboProbes(form.combo, FlatState::HotOrFocused, true));

    flat.hoverTick(); // the pointer is still on the control
    QCOMPARE(flat.drawState(), FlatState::HotOrFocused);
    form.pointer = Away;
    flat.hoverTick();
    QVERIFY(!flat.isHot() && !flat.hoverTimer().isActive());
    form.verify(form.combo->pos(), comboProbes(form.combo, FlatState::Normal, true));

    // Left alone, the running timer ends the hover by itself.
    form.hover(flat, form.combo);
    QTRY_VERIFY(flat.isHot());
    form.pointer = Away;
    QTRY_COMPARE(flat.drawState(), FlatState::Normal);

    // Dropping the list, a change of selection (as by the wheel) and the focus end a hover; a focused
    // control never starts one.
    form.hover(flat, form.combo);
    QTRY_VERIFY(flat.isHot());
    form.combo->showPopup();
    QTRY_VERIFY(flat.DroppedDown() && !flat.isHot());
    form.combo->hidePopup();
    QTRY_VERIFY(!flat.DroppedDown());
    form.show(); // the offscreen platform leaves the closed list as the active window
    form.hover(flat, form.combo);
    QTRY_VERIFY(flat.isHot());
    form.combo->setCurrentIndex(2);
    QVERIFY(!flat.isHot() && !flat.hoverTimer().isActive());
    form.hover(flat, form.combo);
    QTRY_VERIFY(flat.isHot());
    form.combo->setFocus();
    QVERIFY(!flat.isHot() && !flat.hoverTimer().isActive());
    QTest::mouseMove(form.combo, form.combo->rect().center() + QPoint(2, 0));
    QVERIFY(!flat.isHot());

    // A move over a control that has just lost the focus, without leaving it, starts the hover.
    form.edit->setFocus();
    QTest::mouseMove(form.combo, form.combo->rect().center());
    QTRY_VERIFY(flat.isHot());
}

void TestFlatDecorator::dropDownAndCloseUp()
{
    Form form;
    FlatDecorator flat, edit;
    QVERIFY(flat.Attach(form.combo) && edit.Attach(form.edit));
    form.show();
    QTest::mouseClick(form.combo, Qt::LeftButton, {}, form.combo->rect().center());
    QTRY_VERIFY(flat.DroppedDown());
    QCOMPARE(flat.drawState(), FlatState::DroppedDown);
    form.verify(form.combo->pos(), comboProbes(form.combo, FlatState::DroppedDown, true));
    QVERIFY(!edit.DroppedDown());

    // Closing the list returns to the focused look, as the combo keeps the focus.
    QTest::keyClick(form.combo->view(), Qt::Key_Escape);
    QTRY_VERIFY(!flat.DroppedDown() && form.combo->hasFocus());
    QCOMPARE(flat.drawState(), FlatState::HotOrFocused);
    form.verify(form.combo->pos(), comboProbes(form.combo, FlatState::HotOrFocused, true));
}

void TestFlatDecorator::detachAndDeletedControls()
{
    Form form;
    form.show();
    const QImage before = form.window->grab().toImage();
    {
        FlatDecorator combo, edit;
        QVERIFY(combo.Attach(form.combo));
        edit.hWndAttach(form.edit, false); // decorates without moving
        QVERIFY(edit.isAttached());
        QVERIFY(form.window->grab().toImage() != before);
        combo.Detach();
        QVERIFY(!combo.isAttached() && !form.combo->hasMouseTracking());
    } // the text box's decorator ends while attached
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(form.window->grab().toImage(), before);

    FlatDecorator combo, edit;
    QVERIFY(combo.Attach(form.combo) && edit.Attach(form.edit));
    form.edit->deleteLater();
    form.combo->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!combo.isAttached() && !edit.isAttached());
    QCOMPARE(form.window->grab().toImage().pixelColor(10, 60), Back);

    // A decorator owned by the window ends with it, whether made before or after its control.
    for (bool decoratorFirst : {true, false}) {
        auto window = std::make_unique<QWidget>();
        FlatDecorator* flat = decoratorFirst ? new FlatDecorator(window.get()) : nullptr;
        auto* text = new QLineEdit(window.get());
        if (!flat)
            flat = new FlatDecorator(window.get());
        QVERIFY(flat->Attach(text));
        window->show();
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

QTEST_MAIN(TestFlatDecorator)
#include "TestFlatDecorator.moc"
