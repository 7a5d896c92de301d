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
#include "store/ScheduleDatabase.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

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
    m_remembered = panelTexts();
    // Another row chosen now would fill the panel with another entry while Save still means this one.
    m_grid->setEnabled(false);
}

void FormOrganizer::addToday()
{
    m_ctx.values.OpenedFrom = QStringLiteral("ORGANIZER");
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
    const size_t found = EntryEdit::findFrom(table, panelTexts());
    if (found < table.size() && !written(m_ctx.database.remove(table.rowId(found))))
        return;
    resetWindow();
}

void FormOrganizer::cancelEdit()
{
    setCommandsEnabled({Edit, Delete, AddToday}, {Cancel, Save});
    setPanelEditable(false);
    m_remembered = EntryTexts{};
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
    EntryTexts wanted = m_remembered;
    wanted.alarmTime = EntryEdit::storedTimeText(m_remembered.alarmTime);

    // The first entry with the remembered texts is offered first; "No" passes on to the next identical one.
    size_t from = 0;
    bool asked = false;
    for (;;) {
        const ScheduleTable& table = m_ctx.database.table();
        const size_t found = EntryEdit::findFrom(table, wanted, from);
        if (found >= table.size())
            break;
        if (!EntryEdit::isComplete(panel)) {
            // The panel stays as the user left it, still open for editing, so only the gap is left to fill.
            m_ctx.messages.information(this, QStringLiteral("Error while saving record"),
                                       QStringLiteral("Invalid entry"));
            return;
        }
        const qint64 rowId = table.rowId(found);
        const ScheduleEntry stored = table.entry(found);
        const QMessageBox::StandardButton answer = m_ctx.messages.question(
            this, QStringLiteral("Are you sure you want to save changes for this record?"),
            QMessageBox::Yes | QMessageBox::No, QStringLiteral("Edit"));
        asked = true;
        if (answer == QMessageBox::Yes) {
            if (!written(m_ctx.database.update(rowId, EntryEdit::rewritten(stored, panel))))
                return;
            resetWindow();
            return;
        }
        // The table may have been read afresh while the question was open; go on after this entry.
        from = m_ctx.database.table().indexAfter(rowId);
    }
    if (!asked)
        m_ctx.messages.information(this,
                                   QStringLiteral("This record was changed or removed after it was selected, "
                                                  "so your changes were not saved."),
                                   QStringLiteral("Edit"));
    resetWindow();
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
    setCommandsEnabled({}, {Edit, Delete});
    m_frame1->show();
    m_frame1->raise();
    SetupDays();
}

void FormOrganizer::AddDialogClosed(const QString& openedFrom)
{
    if (openedFrom != QLatin1String("ORGANIZER"))
        return;
    setEnabled(true);
    resetWindow();
}
