#include "app/LoginStartSwitch.h"

#include "forms/Services.h"
#include "settings/LoginStart.h"

#include <QAction>
#include <QWidget>

LoginStartSwitch::LoginStartSwitch(LoginStart& login, MessageBoxService& messages, QWidget* window)
    : QObject(window), m_login(login), m_messages(messages), m_window(window), m_action(new QAction(window))
{
    m_action->setObjectName(QStringLiteral("actLoginStart"));
    m_action->setText(tr("Start at login"));
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    m_action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(m_action);
    connect(m_action, &QAction::triggered, this, &LoginStartSwitch::toggle);
}

void LoginStartSwitch::toggle()
{
    const bool on = !m_login.isOn();
    if (!m_login.setOn(on)) {
        m_messages.warning(m_window, m_login.error());
        return;
    }
    m_messages.information(m_window, on ? tr("Zentravio will start when you log in, so that your alarms ring. "
                                             "Ctrl+L in the calendar turns this off again.")
                                        : tr("Zentravio will no longer start when you log in: its alarms ring "
                                             "only while it runs. Ctrl+L in the calendar turns the start at "
                                             "login on again."));
}

QString LoginStartSwitch::firstStartSummary()
{
    return tr("Zentravio starts at login");
}

QString LoginStartSwitch::firstStartBody()
{
    return tr("Zentravio will start when you log in, so that your alarms ring. To turn this off, press "
              "Ctrl+L in the calendar, or use \"Start at login\" in its notification-area menu.");
}
