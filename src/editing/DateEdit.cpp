#include "editing/DateEdit.h"

#include "store/DateText.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

DateEdit::DateEdit(QWidget* parent)
    : QWidget(parent), m_edit(new QLineEdit(this)), m_drop(new QToolButton(this))
{
    m_edit->setObjectName(QStringLiteral("dateText"));
    m_edit->setPlaceholderText(QStringLiteral("mm/dd/yyyy"));
    m_edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9/ ]{0,12}")), m_edit));
    m_drop->setObjectName(QStringLiteral("dateDrop"));
    m_drop->setArrowType(Qt::DownArrow);
    m_drop->setFocusPolicy(Qt::NoFocus);
    m_drop->setAccessibleName(tr("Choose a date"));
    setFocusProxy(m_edit);
    setAccessibleName(tr("Date"));

    connect(m_edit, &QLineEdit::editingFinished, this, &DateEdit::normalise);
    connect(m_drop, &QToolButton::clicked, this, &DateEdit::showCalendar);
}

QString DateEdit::value() const
{
    const std::optional<QDate> date = DateText::readDate(m_edit->text());
    return date ? DateText::mmddyyyy(*date) : QString();
}

bool DateEdit::setValue(const QString& text)
{
    if (text.trimmed().isEmpty()) {
        m_edit->clear();
        commit(QString());
        return true;
    }
    const std::optional<QDate> date = DateText::readDate(text);
    if (!date)
        return false;
    const QString canonical = DateText::mmddyyyy(*date);
    m_edit->setText(canonical);
    commit(canonical);
    return true;
}

void DateEdit::showStored(const QString& text)
{
    if (setValue(text))
        return;
    m_edit->setText(text);
    commit(QString());
}

QString DateEdit::typedText() const
{
    return m_edit->text();
}

bool DateEdit::unreadable() const
{
    const QString text = m_edit->text();
    return !text.trimmed().isEmpty() && !DateText::readDate(text);
}

void DateEdit::normalise()
{
    const QString text = m_edit->text();
    const std::optional<QDate> date = DateText::readDate(text);
    if (!date) {
        commit(QString());
        return;
    }
    const QString canonical = DateText::mmddyyyy(*date);
    if (canonical != text)
        m_edit->setText(canonical);
    commit(canonical);
}

void DateEdit::commit(const QString& value)
{
    if (value == m_value)
        return;
    m_value = value;
    emit valueChanged(m_value);
}

void DateEdit::showCalendar()
{
    if (!m_popup) {
        m_popup = new QFrame(this, Qt::Popup);
        m_popup->setFrameShape(QFrame::Box);
        auto* layout = new QVBoxLayout(m_popup);
        layout->setContentsMargins(1, 1, 1, 1);
        m_calendar = new QCalendarWidget(m_popup);
        m_calendar->setObjectName(QStringLiteral("dateCalendar"));
        m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        layout->addWidget(m_calendar);
        connect(m_calendar, &QCalendarWidget::clicked, this, [this](QDate date) {
            setValue(DateText::mmddyyyy(date));
            m_popup->hide();
        });
    }
    if (const std::optional<QDate> date = DateText::readDate(value()))
        m_calendar->setSelectedDate(*date);
    m_popup->adjustSize();
    m_popup->move(mapToGlobal(QPoint(0, height())));
    m_popup->show();
}

void DateEdit::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int button = qMin(height(), 15);
    m_edit->setGeometry(0, 0, width() - button, height());
    m_drop->setGeometry(width() - button, 0, button, height());
}
