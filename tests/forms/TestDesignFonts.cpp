#include "calendar/MainForm.h"
#include "controls/ButtonLayout.h"
#include "controls/VemraButton.h"
#include "editing/FormAddSched.h"
#include "editing/FormOrganizer.h"
#include "forms/ClickLabel.h"
#include "forms/DesignFonts.h"
#include "forms/DesignUnits.h"
#include "support/WindowTestEnv.h"
#include "views/FormGrid.h"
#include "views/formYear.h"

#include <QComboBox>
#include <QFontInfo>
#include <QStyleOptionComboBox>
#include <QtTest>

// Every design text fits its design box in the faces the program really uses: the month names in the
// month pickers, the weekday headings over the day cells, and every button caption on one line.
class TestDesignFonts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void theDesignFacesAreThere();
    void everyDesignTextFitsItsBox();

private:
    static QStringList overflowing(QWidget* window);
    std::unique_ptr<WindowTestEnv> m_env;
};

void TestDesignFonts::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    m_env = std::make_unique<WindowTestEnv>();
}

void TestDesignFonts::theDesignFacesAreThere()
{
    // Loaded by the test environment as by the program; the install script brings the package.
    QCOMPARE(QFontInfo(Design::font(QStringLiteral("Tahoma"), 8.25)).family(), QStringLiteral("Tahoma"));
    QCOMPARE(QFontInfo(Design::font(QStringLiteral("Tahoma"), 8.25, true)).bold(), true);
    QVERIFY(DesignFonts::load({QStringLiteral("/nowhere")}).isEmpty());
}

QStringList TestDesignFonts::overflowing(QWidget* window)
{
    QStringList faults;
    for (VemraButton* button : window->findChildren<VemraButton*>()) {
        const QFontMetrics drawn(ButtonLayout::drawingFont(button->font()));
        const QRect room(1, 1, button->width() - 2, button->height() - 2);
        const QRect needed =
            drawn.boundingRect(room, ButtonLayout::textFlags() | Qt::AlignHCenter, button->caption());
        if (needed.height() > drawn.height() ||
            drawn.horizontalAdvance(QString(button->caption()).remove(u'&')) > room.width())
            faults << button->objectName() + QStringLiteral(" \"") + button->caption() + u'"';
    }
    for (QComboBox* combo : window->findChildren<QComboBox*>()) {
        if (combo->isEditable())
            continue;
        QStyleOptionComboBox option;
        option.initFrom(combo);
        const QRect field =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
        for (int i = 0; i < combo->count(); ++i) {
            if (combo->fontMetrics().horizontalAdvance(combo->itemText(i)) > field.width())
                faults << combo->objectName() + QStringLiteral(" \"") + combo->itemText(i) + u'"';
        }
    }
    for (ClickLabel* header :
         window->findChildren<ClickLabel*>(QRegularExpression(QStringLiteral("^labelss")))) {
        if (header->isVisibleTo(window) &&
            header->fontMetrics().horizontalAdvance(header->text()) > header->width())
            faults << header->objectName() + QStringLiteral(" \"") + header->text() + u'"';
    }
    return faults;
}

void TestDesignFonts::everyDesignTextFitsItsBox()
{
    ProgramWindows& windows = m_env->windows();
    MainForm& main = windows.mainForm();
    main.show();
    QStringList faults = overflowing(&main);

    FormAddSched* dialog = windows.addScheduleDialog();
    dialog->loadIfNeeded();
    faults << overflowing(dialog);
    faults << overflowing(windows.listWindow());

    main.cmdButton_Click(MainForm::Organizer);
    faults << overflowing(windows.openOrganizer());
    windows.openOrganizer()->close();

    main.cmdButton_Click(MainForm::Max);
    faults << overflowing(windows.yearWindow());
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral(", "))));
}

QTEST_MAIN(TestDesignFonts)
#include "TestDesignFonts.moc"
