#include "TestServices.h"

QMessageBox::StandardButton RecordingMessageBoxService::show(QWidget*, QMessageBox::Icon icon,
                                                             const QString& title, const QString& text,
                                                             QMessageBox::StandardButtons buttons)
{
    shown << Shown{icon, title, text, buttons};
    return m_answers.isEmpty() ? QMessageBox::Ok : m_answers.takeFirst();
}
