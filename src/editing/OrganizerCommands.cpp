// The organizer's commands under its edit panel: edit, add, delete, cancel and save.
#include "controls/ListGrid.h"
#include "controls/VemraButton.h"
#include "editing/DateEdit.h"
#include "editing/FormAddSched.h"
#include "editing/FormOrganizer.h"
#include "editing/NoteEdit.h"
#include "editing/OrganizerGrid.h"
#include "editing/TimeEdit.h"
#include "editing/UnreadableInput.h"
#include "forms/AppContext.h"
#include "forms/WindowOwner.h"
#include "occurrence/KeptEventEdit.h"
#include "store/DateText.h"
#include "store/KeptRecurrences.h"
#include "store/RuleFile.h"
#include "store/ScheduleDatabase.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

#include <optional>

void FormOrganizer::VemraButton1_Click(int index)
{
    switch (index) {
    case Edit:
        editEntry();
        break;
    case AddToday:
        addToday();
        break;
    case Delete:
        deleteEntry();
        break;
    case Cancel:
        cancelEdit();
        break;
    case Save:
        saveEntry();
        break;
    default:
        break;
    }
}

void FormOrganizer::editEntry()
{
    setCommandsEnabled({Cancel, Save}, {Edit, Delete, AddToday});
    setPanelEditable(true);
    // Another row chosen now would fill the panel with another entry while Save still means this one.
    m_grid->setEnabled(false);
}

void FormOrganizer::addToday()
{
    m_ctx.values.OpenedFrom = AddDialogOpener::Organizer;
    FormAddSched* dialog = m_windows.addScheduleDialog();
    if (!dialog)
        return;
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void FormOrganizer::deleteEntry()
{
    const ScheduleTable& table = m_ctx.database.table();
    if (m_selected.positionIn(table) < table.size() && !written(m_ctx.database.remove(m_selected.rowId())))
        return;
    resetWindow();
}

void FormOrganizer::cancelEdit()
{
    setCommandsEnabled({Edit, Delete, AddToday}, {Cancel, Save});
    setPanelEditable(false);
    m_grid->setEnabled(true);
}

void FormOrganizer::saveEntry()
{
    // A date or time that cannot be read is named, and the panel stays open with it as typed.
    if (const QString unreadable = unreadableInputMessage(*m_dateCtrl, *m_timeCtrl); !unreadable.isEmpty()) {
        m_ctx.messages.information(this, unreadable, QStringLiteral("Invalid entry"));
        return;
    }
    const EntryTexts panel = panelTexts();
    if (!m_selected.unchangedIn(m_ctx.database.table())) {
        refuseChangedEntry();
        return;
    }
    if (const QString missing = missingInputMessage(panel); !missing.isEmpty()) {
        // The panel stays as the user left it, still open for editing, so only the gap is left to fill.
        m_ctx.messages.information(this, missing, QStringLiteral("Invalid entry"));
        return;
    }
    // An entry that keeps a recurrence: one of the five kinds replaces its rule, after a word; a new time
    // moves every occurrence; its days come from its rule.
    const ScheduleEntry& selected = m_selected.stored();
    const bool recurring = kindOf(selected[ScheduleField::Kind]) == ScheduleKind::Unknown &&
                           m_ctx.database.rules().contains(m_selected.rowId());
    std::optional<QByteArray> movedRule;
    if (recurring && panel.kind.compare(QLatin1String(RuleFile::RecurringKind), Qt::CaseInsensitive) != 0) {
        const QString words = m_ctx.recurrences ? m_ctx.recurrences->words(m_selected.rowId()) : QString();
        const QMessageBox::StandardButton replace = m_ctx.messages.question(
            this,
            QStringLiteral("This entry recurs: %1.\n\nChoosing %2 replaces that rule, and its other "
                           "occurrences, moved or cancelled ones included, are no longer kept. Replace the rule?")
                .arg(words.isEmpty() ? selected[ScheduleField::Kind] : words, panel.kind),
            QMessageBox::Yes | QMessageBox::No, QStringLiteral("Edit"));
        if (replace != QMessageBox::Yes)
            return;
    } else if (recurring) {
        const std::optional<QDate> dayBefore = DateText::readDate(selected[ScheduleField::Date]);
        const std::optional<QDate> dayNow = DateText::readDate(panel.date);
        const std::optional<QTime> timeBefore = DateText::readTime(selected[ScheduleField::AlarmTime]);
        const std::optional<QTime> timeNow = DateText::readTime(panel.alarmTime);
        if (dayBefore != dayNow) {
            m_ctx.messages.information(this,
                                       QStringLiteral("The days of a recurring entry come from its rule: "
                                                      "only its time can be changed here."),
                                       QStringLiteral("Edit"));
            return;
        }
        if (timeBefore && timeNow && *timeBefore != *timeNow) {
            movedRule = KeptEventEdit::movedBy(m_ctx.database.rules().value(m_selected.rowId()),
                                               timeBefore->secsTo(*timeNow));
            if (movedRule->isEmpty()) {
                m_ctx.messages.information(this,
                                           QStringLiteral("The rule of this entry cannot be read, so its time "
                                                          "was not changed."),
                                           QStringLiteral("Edit"));
                return;
            }
        }
    }
    QString question = QStringLiteral("Are you sure you want to save changes for this record?");
    if (m_selected.noteWasCut() && m_selected.noteChanged(panel.note))
        question +=
            QStringLiteral("\n\nThe note box holds only the first %1 characters of this record's note: "
                           "the note is saved as the box shows it.")
                .arg(m_note->maxCharacters());
    const QMessageBox::StandardButton answer =
        m_ctx.messages.question(this, question, QMessageBox::Yes | QMessageBox::No, QStringLiteral("Edit"));
    if (answer == QMessageBox::Yes) {
        // The question let events run: the entry is read afresh, by its row id, as it is written.
        const ScheduleTable& table = m_ctx.database.table();
        if (!m_selected.unchangedIn(table)) {
            refuseChangedEntry();
            return;
        }
        const ScheduleEntry current = table.entry(m_selected.positionIn(table));
        if (!written(m_ctx.database.update(m_selected.rowId(), m_selected.savedFrom(current, panel),
                                           movedRule ? &*movedRule : nullptr)))
            return;
    }
    resetWindow();
}

void FormOrganizer::refuseChangedEntry()
{
    // Another program changed or removed the entry meanwhile; the panel would overwrite its change.
    m_ctx.messages.information(this,
                               QStringLiteral("This record was changed or removed after it was selected, "
                                              "so your changes were not saved."),
                               QStringLiteral("Edit"));
    resetWindow();
}

QString FormOrganizer::missingInputMessage(const EntryTexts& panel) const
{
    // An empty date or time box is named as an unreadable one is; any other gap has the general message.
    if (panel.date.isEmpty())
        return QStringLiteral(
            "The date is missing. Please type it as month/day/year, for example 03/07/2003.");
    if (panel.alarmTime.isEmpty())
        return QStringLiteral("The alarm time is missing. Please type it as hours:minutes:seconds AM or PM, "
                              "for example 07:30:00 PM.");
    if (!EntryEdit::isComplete(panel))
        return QStringLiteral("Error while saving record");
    return {};
}

bool FormOrganizer::written(const StoreResult& result)
{
    if (result)
        return true;
    // Nothing was written; the window stays as it is, so that what the user typed is not lost.
    m_ctx.messages.warning(this, result.error, QStringLiteral("Entry not saved"));
    return false;
}

void FormOrganizer::resetWindow()
{
    m_organizerGrid->rebuild(m_ctx.database.table(), m_ctx.clock.now());
    m_dateCtrl->setValue(QString());
    m_combo3->setCurrentIndex(-1);
    m_subject->clear();
    m_note->clear();
    m_timeCtrl->setValue(QString());
    cancelEdit();
    m_selected.clear();
    showUnreadableNotice(false);
    setCommandsEnabled({}, {Edit, Delete});
    m_frame1->show();
    m_frame1->raise();
    SetupDays();
}

void FormOrganizer::AddDialogClosed(AddDialogOpener openedFrom)
{
    if (openedFrom != AddDialogOpener::Organizer)
        return;
    setEnabled(true);
    resetWindow();
}
