#pragma once

#include "account/AccountDraft.h"
#include "forms/DesignForm.h"

#include <array>
#include <memory>

class AccountKeeper;
class CalendarSearch;
class ClickLabel;
class PasswordStore;
class QCheckBox;
class QComboBox;
class QLineEdit;
class VemraButton;
struct AppContext;

// The "Calendar Account" window: the calendar server's address, the user name and password, "Find
// calendars", the calendar chosen among those found, "Sync every", "Sync now", the sync status line,
// removing the account, and a certificate that does not verify offered by its fingerprint for the user
// to accept. What the fields mean and what may be stored is AccountDraft's to say; the window carries it
// to its controls. Nothing here waits on the network.
class FormAccount : public DesignForm
{
    Q_OBJECT

public:
    enum Command
    {
        Find,
        Save,
        SyncNow,
        Remove,
        Close,
        CommandCount
    };

    explicit FormAccount(AppContext& context);
    ~FormAccount() override;

    // The window shown and brought forward, filled from the stored account when it was closed.
    void ShowAccount();
    // A search's time without an answer before it gives up; 0 keeps the usual one.
    void setSearchTimeout(int milliseconds);

    void Form_Load() override;
    void cmdButton_Click(int index);
    void cmdFind_Click();
    void cmdSave_Click();
    void cmdSyncNow_Click();
    void cmdRemove_Click();
    void chkCertificate_Click();

    const AccountDraft& draft() const { return m_draft; }

signals:
    // The account was saved or removed.
    void AccountChanged();
    // The user asked for a sync now.
    void SyncAsked();

protected:
    void Form_Unload() override;

private:
    void buildFields();
    void buildCommands();
    // Carries the draft to the controls.
    void showDraft();
    void showCalendars();
    void showCertificate();
    void updateCommands();
    void setNotice(const QString& text);
    QString statusText() const;
    void storedAccountChanged();
    void search(const AccountDraft::Credentials& credentials);

    AppContext& m_ctx;
    std::unique_ptr<PasswordStore> m_ownPasswords; // where the program hands in none
    PasswordStore& m_passwords;
    std::unique_ptr<CalendarSearch> m_search;
    std::unique_ptr<AccountKeeper> m_keeper;
    AccountDraft m_draft;
    bool m_saving = false;

    ClickLabel* m_close = nullptr;
    QLineEdit* m_txtServer = nullptr;
    QLineEdit* m_txtUser = nullptr;
    QLineEdit* m_txtPassword = nullptr;
    QComboBox* m_cboCalendar = nullptr;
    QComboBox* m_cboInterval = nullptr;
    ClickLabel* m_lblCertificate = nullptr;
    QCheckBox* m_chkCertificate = nullptr;
    ClickLabel* m_lblNotice = nullptr;
    ClickLabel* m_lblStatus = nullptr;
    std::array<VemraButton*, CommandCount> m_cmdButton{};
};
