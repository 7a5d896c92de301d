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
#include <QImage>
#include <QPainter>
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
    void boldTextsStandOut();
    void buttonCaptionsAreEvenlySpaced();
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

// Dark pixels of a day number and a title drawn in the font, as the year view and the titles draw them.
static int ink(const QFont& font)
{
    QImage sheet(160, 40, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(sheet.rect(), Qt::AlignCenter, QStringLiteral("15 December"));
    painter.end();
    int dark = 0;
    for (int y = 0; y < sheet.height(); ++y) {
        for (int x = 0; x < sheet.width(); ++x)
            dark += qGray(sheet.pixel(x, y)) < 128;
    }
    return dark;
}

void TestDesignFonts::boldTextsStandOut()
{
    // The year view tells busy days by bold figures alone, so bold must draw visibly heavier.
    for (const qreal points : {8.25, 9.75, 15.75}) {
        const int regular = ink(Design::font(QStringLiteral("Tahoma"), points));
        const int bold = ink(Design::font(QStringLiteral("Tahoma"), points, true));
        QVERIFY2(
            bold * 100 >= regular * 120,
            qPrintable(
                QStringLiteral("%1 pt: %2 dark pixels bold, %3 regular").arg(points).arg(bold).arg(regular)));
    }
}

void TestDesignFonts::buttonCaptionsAreEvenlySpaced()
{
    // Buttons draw their captions unsmoothed. The letters of a word stand one blank column apart; two
    // blank columns inside a word read as two words ("Date Form at").
    const QFont drawn = ButtonLayout::drawingFont(Design::font(QStringLiteral("Tahoma"), 8.25));
    QStringList faults;
    for (const char* caption : {"Date Format", "Organizer", "Change Color", "Countdown", "Add Today", "About"}) {
        QImage sheet(200, 30, QImage::Format_RGB32);
        sheet.fill(Qt::white);
        QPainter painter(&sheet);
        painter.setFont(drawn);
        painter.setPen(Qt::black);
        painter.drawText(4, 20, QLatin1String(caption));
        painter.end();
        QString columns;
        for (int x = 0; x < sheet.width(); ++x) {
            bool ink = false;
            for (int y = 0; y < sheet.height() && !ink; ++y)
                ink = qGray(sheet.pixel(x, y)) < 128;
            columns += ink ? u'#' : u'.';
        }
        if (columns.trimmed().contains(QRegularExpression(QStringLiteral("#\\.\\.#"))))
            faults << QLatin1String(caption) + QStringLiteral(": ") + columns;
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
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
