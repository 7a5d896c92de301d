#pragma once

#include <QObject>
#include <QString>

class LoginStart;
class MessageBoxService;
class QAction;
class QWidget;

// The start at login, switched from the calendar's keyboard (Ctrl+L), so that a desktop without a
// notification area (whose menu holds the same switch) can reach it too. Each switch says what now holds.
class LoginStartSwitch : public QObject
{
    Q_OBJECT

public:
    LoginStartSwitch(LoginStart& login, MessageBoxService& messages, QWidget* window);

    QAction* action() const { return m_action; }
    // Turns the start at login over and tells the user; a failure is told instead.
    void toggle();

    // The word on the first start, which turned the start at login on by itself.
    static QString firstStartSummary();
    static QString firstStartBody();

private:
    LoginStart& m_login;
    MessageBoxService& m_messages;
    QWidget* m_window;
    QAction* m_action; // a child of the window
};
