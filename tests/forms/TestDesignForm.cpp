#include "controls/VemraButton.h"
#include "forms/DesignForm.h"

#include <QComboBox>
#include <QPushButton>
#include <QtTest>

// The window kit's promises to every window: load before the first show and again after an unload,
// a close that Form_QueryUnload can refuse and the focus handed on from owner-drawn buttons.
class CountingForm : public DesignForm
{
public:
    CountingForm() : DesignForm(QStringLiteral("CountingForm"), QStringLiteral("Counting"), Band::TopMost)
    {
        button = new VemraButton(QStringLiteral("&Go"), this);
        combo = new QComboBox(this);
        passFocusOn(button);
    }

    void Form_Load() override
    {
        ++loads;
        visibleAtLoad = isVisible();
        decorate(combo);
    }
    bool Form_QueryUnload() override { return allowClose; }
    void Form_Unload() override { ++unloads; }
    bool Form_KeyPress(int key, Qt::KeyboardModifiers) override
    {
        keys << key;
        return key != Qt::Key_Space; // Space is left to the focus sink
    }

    VemraButton* button;
    QComboBox* combo;
    int loads = 0;
    int unloads = 0;
    bool visibleAtLoad = true;
    bool allowClose = true;
    QList<int> keys;
};

class TestDesignForm : public QObject
{
    Q_OBJECT

private slots:
    void keysInTheFocusSinkReachTheWindow()
    {
        CountingForm form;
        form.show();
        QSignalSpy sinkClicked(form.cmdSetfocus(), &QPushButton::clicked);
        QTest::keyClick(form.cmdSetfocus(), Qt::Key_Down);
        QTest::keyClick(form.cmdSetfocus(), Qt::Key_G, Qt::AltModifier); // an access key, not the window's
        QTest::keyClick(form.cmdSetfocus(), Qt::Key_Space);
        QCOMPARE(form.keys, QList<int>({Qt::Key_Down, Qt::Key_Space}));
        QCOMPARE(sinkClicked.count(), 1); // a key the window leaves does what it would have done
        form.setEnabled(false);
        QTest::keyClick(form.cmdSetfocus(), Qt::Key_Up);
        QCOMPARE(form.keys.size(), 2);
    }

    void loadsOnceBeforeTheFirstShowAndAgainAfterAnUnload()
    {
        CountingForm form;
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
        form.show();
        form.hide();
        form.show();
        QCOMPARE(form.loads, 1);
        QVERIFY(!form.visibleAtLoad);

        QSignalSpy unloaded(&form, &DesignForm::Unloaded);
        form.close();
        QCOMPARE(form.unloads, 1);
        QCOMPARE(unloaded.count(), 1);
        QVERIFY(!form.isLoaded());
        form.show();
        QCOMPARE(form.loads, 2);
    }

    void queryUnloadCanKeepTheWindowOpen()
    {
        CountingForm form;
        form.show();
        form.allowClose = false;
        QVERIFY(!form.close());
        QVERIFY(form.isVisible());
        QCOMPARE(form.unloads, 0);
        form.allowClose = true;
        QVERIFY(form.close());
        QCOMPARE(form.unloads, 1);
    }

    void ownerDrawnButtonsHandTheFocusOn()
    {
        CountingForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        form.button->setFocus();
        QTRY_VERIFY(form.cmdSetfocus()->hasFocus());
        QVERIFY(!form.button->hasFocus());
    }
};

QTEST_MAIN(TestDesignForm)
#include "TestDesignForm.moc"
