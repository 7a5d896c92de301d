#pragma once

#include "forms/DesignForm.h"

class ClickLabel;
class QLineEdit;
class ScreenService;
class VemraButton;

// The small window that asks for the calendar server's password when the sync service needs one (the
// server refused it, or no Secret Service keeps it): the reason, the password field and "OK". The
// password goes to whoever listens to Answered and is never kept in the window after it closes.
class FormPassword : public DesignForm
{
    Q_OBJECT

public:
    explicit FormPassword(const ScreenService& screen);
    ~FormPassword() override;

    // Shows the window with the reason, the password field empty and focused.
    void ask(const QString& reason);
    void setReason(const QString& reason);
    // Closes the window without an answer from it: the password was given elsewhere (the account
    // window saved the account, or removed it).
    void withdraw();

    void Form_Load() override;
    void cmdOk_Click();
    void cmdCancel_Click();

signals:
    void Answered(const QString& password);
    // Closed without a password.
    void Declined();

protected:
    void Form_Unload() override;

private:
    const ScreenService& m_screen;
    ClickLabel* m_reason;
    QLineEdit* m_password;
    VemraButton* m_ok;
    VemraButton* m_cancel;
    bool m_answered = false;
};
