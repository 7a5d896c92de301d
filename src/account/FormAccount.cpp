#include "account/FormAccount.h"

#include "account/AccountKeeper.h"
#include "account/CalendarSearch.h"
#include "account/TitleStrip.h"
#include "controls/VemraButton.h"
#include "forms/AppContext.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "forms/WindowHelpers.h"
#include "sync/AccountSettings.h"
#include "sync/PasswordStore.h"
#include "sync/ServerAddress.h"
#include "sync/SyncService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QSignalBlocker>

namespace {

constexpr int Width = 6600;
constexpr int FieldLeft = 1800;
constexpr int FieldWidth = 4560;
constexpr int TextWidth = Width - 480;

struct CommandDesign
{
    const char* caption;
    const char* name;
    int left, top, width;
};

constexpr std::array<CommandDesign, FormAccount::CommandCount> Commands = {{
    {"&Find calendars", "cmdFind", FieldLeft, 1965, 1815},
    {"&Save", "cmdSave", 240, 5790, 1215},
    {"Sync &now", "cmdSyncNow", 1575, 5790, 1215},
    {"&Remove account", "cmdRemove", 2910, 5790, 1575},
    {"&Close", "cmdClose", 5145, 5790, 1215},
}};

// A fingerprint of 32 pairs is wider than the window: it shows as two lines of 16, the first ending in
// its separator so that the two read as one.
QString fingerprintLines(const QString& fingerprint)
{
    constexpr qsizetype FirstLine = 16 * 3;
    if (fingerprint.size() <= FirstLine)
        return fingerprint;
    return fingerprint.left(FirstLine) + QLatin1Char('\n') + fingerprint.mid(FirstLine);
}

QString intervalText(int minutes)
{
    if (minutes == 60)
        return FormAccount::tr("1 hour");
    if (minutes == 1)
        return FormAccount::tr("1 minute");
    return FormAccount::tr("%1 minutes").arg(minutes);
}

} // namespace

FormAccount::FormAccount(AppContext& context)
    : DesignForm(QStringLiteral("FormAccount"), QStringLiteral("Calendar Account"), Band::TopMost),
      m_ctx(context), m_ownPasswords(context.passwords ? nullptr : std::make_unique<PasswordStore>(false)),
      m_passwords(context.passwords ? *context.passwords : *m_ownPasswords),
      m_search(std::make_unique<CalendarSearch>()),
      m_keeper(std::make_unique<AccountKeeper>(context.settings, m_passwords, context.sync))
{
    setDesignSize(Width, 6405);
    setBackColor(0xC0C0C0);
    setFont(Design::font(QStringLiteral("Tahoma"), 8.25));

    dragBy(addTitleStrip(this, tr("Calendar Account"), Width));
    // The picture closes the window as the other windows' pictures do, and carries their Ctrl+W.
    m_close = addClosePicture(QStringLiteral("Image1"), Design::rect(Width - 330, 75, 255, 255));
    connect(m_close, &ClickLabel::Click, this, &QWidget::close);

    buildFields();
    buildCommands();
    // Escape closes, as it closes a dialog; the keyboard and a reader meet one "Close", the command, so
    // the picture that stands for it is no stop of Tab's.
    bindCommandKey(m_cmdButton[Close], QKeySequence(Qt::Key_Escape));
    setKeyboardOrder({m_txtServer, m_txtUser, m_txtPassword, m_cmdButton[Find], m_cboCalendar, m_cboInterval,
                      m_chkCertificate, m_cmdButton[Save], m_cmdButton[SyncNow], m_cmdButton[Remove],
                      m_cmdButton[Close]});

    if (m_ctx.sync) {
        connect(m_ctx.sync, &SyncService::statusChanged, m_lblStatus, &QLabel::setText);
    }
}

FormAccount::~FormAccount() = default;

void FormAccount::buildFields()
{
    const auto addCaption = [this](int index, const QString& text, int top, QWidget* field) {
        auto* label = new ClickLabel(text, this);
        label->setObjectName(QStringLiteral("Label2(%1)").arg(index));
        label->setGeometry(Design::rect(240, top + 30, FieldLeft - 300, 255));
        label->setBuddy(field);
        nameField(field, QString(text).remove(u'&').remove(u':'));
    };
    const auto addBox = [this, &addCaption](int index, const QString& name, const QString& caption, int top) {
        auto* box = new QLineEdit(this);
        box->setObjectName(name);
        box->setGeometry(Design::rect(FieldLeft, top, FieldWidth, 315));
        addCaption(index, caption, top, box);
        return box;
    };
    m_txtServer = addBox(0, QStringLiteral("txtServer"), tr("Server &address:"), 690);
    m_txtServer->setPlaceholderText(QStringLiteral("https://calendar.example.org/"));
    m_txtUser = addBox(1, QStringLiteral("txtUser"), tr("&User name:"), 1110);
    m_txtPassword = addBox(2, QStringLiteral("txtPassword"), tr("&Password:"), 1530);
    m_txtPassword->setEchoMode(QLineEdit::Password);

    m_cboCalendar = new QComboBox(this);
    m_cboCalendar->setObjectName(QStringLiteral("cboCalendar"));
    m_cboCalendar->setGeometry(Design::rect(FieldLeft, 2460, FieldWidth, 315));
    addCaption(3, tr("Ca&lendar:"), 2460, m_cboCalendar);

    m_cboInterval = new QComboBox(this);
    m_cboInterval->setObjectName(QStringLiteral("cboInterval"));
    m_cboInterval->setGeometry(Design::rect(FieldLeft, 2880, 1815, 315));
    for (int minutes : AccountSettings::Intervals)
        m_cboInterval->addItem(intervalText(minutes), minutes);
    addCaption(4, tr("Sync &every:"), 2880, m_cboInterval);

    m_lblCertificate = new ClickLabel(this);
    m_lblCertificate->setObjectName(QStringLiteral("lblCertificate"));
    m_lblCertificate->setGeometry(Design::rect(240, 3300, TextWidth, 615));
    m_lblCertificate->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblCertificate->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_chkCertificate =
        new QCheckBox(tr("Accept &this certificate (only if you know it is your server's)"), this);
    m_chkCertificate->setObjectName(QStringLiteral("chkCertificate"));
    m_chkCertificate->setGeometry(Design::rect(240, 3945, TextWidth, 255));

    m_lblNotice = new ClickLabel(this);
    m_lblNotice->setObjectName(QStringLiteral("lblNotice"));
    m_lblNotice->setGeometry(Design::rect(240, 4290, TextWidth, 780));
    m_lblNotice->setWordWrap(true);
    m_lblNotice->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_lblStatus = new ClickLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setGeometry(Design::rect(240, 5130, TextWidth, 495));
    m_lblStatus->setWordWrap(true);
    m_lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblStatus->setAccessibleName(tr("Sync status"));

    connect(m_txtServer, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_draft.setServer(text);
        showCalendars();
        showCertificate();
    });
    connect(m_txtUser, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_draft.setUser(text);
        showCalendars();
    });
    connect(m_txtPassword, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_draft.setPassword(text);
        showCalendars();
    });
    // Enter in a field looks for the calendars, the step the fields are filled for.
    for (QLineEdit* box : {m_txtServer, m_txtUser, m_txtPassword})
        connect(box, &QLineEdit::returnPressed, this, &FormAccount::cmdFind_Click);
    connect(m_cboCalendar, &QComboBox::activated, this, [this](int index) { m_draft.chooseCalendar(index); });
    connect(m_cboInterval, &QComboBox::activated, this,
            [this](int index) { m_draft.setIntervalMinutes(m_cboInterval->itemData(index).toInt()); });
    connect(m_chkCertificate, &QCheckBox::clicked, this, &FormAccount::chkCertificate_Click);
}

void FormAccount::buildCommands()
{
    for (size_t i = 0; i < Commands.size(); ++i) {
        const CommandDesign& c = Commands[i];
        m_cmdButton[i] = new VemraButton(tr(c.caption), this);
        m_cmdButton[i]->setObjectName(QLatin1String(c.name));
        m_cmdButton[i]->setButtonType(ButtonType::ThinEdge);
        m_cmdButton[i]->setGeometry(Design::rect(c.left, c.top, c.width, 375));
        passFocusOn(m_cmdButton[i]);
        connect(m_cmdButton[i], &VemraButton::Click, this, [this, i] { cmdButton_Click(int(i)); });
    }
}

void FormAccount::setSearchTimeout(int milliseconds)
{
    m_search->setTimeout(milliseconds);
}

void FormAccount::ShowAccount()
{
    show();
    BringForward(this);
}

void FormAccount::Form_Load()
{
    centreOn(m_ctx.screen);
    for (QWidget* field :
         std::initializer_list<QWidget*>{m_txtServer, m_txtUser, m_txtPassword, m_cboCalendar, m_cboInterval})
        decorate(field);
    m_draft.loadStored(AccountSettings::load(m_ctx.settings));
    m_saving = false;
    setNotice({});
    showDraft();
    m_lblStatus->setText(statusText());
}

void FormAccount::Form_Unload()
{
    // A search under way is of no use to a closed window, and the password is not kept in it.
    m_search->cancel();
    m_txtPassword->clear();
    m_draft.setPassword({});
}

QString FormAccount::statusText() const
{
    const AccountSettings account = AccountSettings::load(m_ctx.settings);
    if (!account.refusal.isEmpty())
        return account.refusal;
    if (!account.isSet())
        return tr("No calendar account is set up.");
    return m_ctx.sync ? m_ctx.sync->statusLine() : QString();
}

void FormAccount::showDraft()
{
    m_txtServer->setText(m_draft.server());
    m_txtUser->setText(m_draft.user());
    m_txtPassword->clear();
    const int interval = m_cboInterval->findData(m_draft.intervalMinutes());
    m_cboInterval->setCurrentIndex(interval >= 0 ? interval : m_cboInterval->findData(15));
    showCalendars();
    showCertificate();
}

void FormAccount::showCalendars()
{
    const QSignalBlocker quiet(m_cboCalendar);
    m_cboCalendar->clear();
    for (const CalendarInfo& calendar : m_draft.calendars())
        m_cboCalendar->addItem(calendar.displayName, calendar.url);
    m_cboCalendar->setCurrentIndex(m_draft.chosenCalendar());
    updateCommands();
}

void FormAccount::showCertificate()
{
    const QString fingerprint = m_draft.offeredFingerprint();
    m_lblCertificate->setVisible(!fingerprint.isEmpty());
    m_chkCertificate->setVisible(!fingerprint.isEmpty());
    m_lblCertificate->setText(tr("The server's certificate does not verify. Its SHA-256 fingerprint:") +
                              QLatin1Char('\n') + fingerprintLines(fingerprint));
    m_chkCertificate->setChecked(m_draft.certificateAccepted());
}

void FormAccount::updateCommands()
{
    const bool busy = m_draft.finding() || m_saving;
    const bool stored = AccountSettings::load(m_ctx.settings).isSet();
    for (QWidget* field : std::initializer_list<QWidget*>{m_txtServer, m_txtUser, m_txtPassword,
                                                          m_cboCalendar, m_chkCertificate})
        field->setEnabled(!busy);
    m_cboCalendar->setEnabled(!busy && m_draft.calendars().size() > 1);
    m_cmdButton[Find]->setEnabled(!busy);
    m_cmdButton[Save]->setEnabled(!busy && m_draft.chosenCalendar() >= 0);
    m_cmdButton[SyncNow]->setEnabled(!busy && stored && m_ctx.sync);
    m_cmdButton[Remove]->setEnabled(!busy && stored);
}

void FormAccount::setNotice(const QString& text)
{
    m_lblNotice->setText(text);
}

void FormAccount::cmdButton_Click(int index)
{
    switch (index) {
    case Find:
        cmdFind_Click();
        break;
    case Save:
        cmdSave_Click();
        break;
    case SyncNow:
        cmdSyncNow_Click();
        break;
    case Remove:
        cmdRemove_Click();
        break;
    case Close:
        close();
        break;
    default:
        break;
    }
}

void FormAccount::cmdFind_Click()
{
    if (const QString refusal = m_draft.findRefusal(); !refusal.isEmpty()) {
        setNotice(refusal);
        return;
    }
    m_draft.startFind();
    setNotice(tr("Looking for your calendars at %1...")
                  .arg(ServerAddress::fromUserText(m_draft.current().server).host()));
    updateCommands();
    const AccountDraft::Credentials credentials = m_draft.current();
    if (!m_draft.usesStoredPassword()) {
        search(credentials);
        return;
    }
    QPointer<FormAccount> self(this);
    m_passwords.read(AccountSettings::load(m_ctx.settings).passwordKey(),
                     [self, withStored = credentials](const PasswordStore::Outcome& stored) mutable {
                         if (!self || !self->isVisible() || !self->m_draft.finding())
                             return;
                         withStored.password = stored.password;
                         self->search(withStored);
                     });
}

void FormAccount::search(const AccountDraft::Credentials& credentials)
{
    m_search->find(credentials, [this](const DiscoveryResult& result) {
        setNotice(m_draft.takeFound(result));
        showCalendars();
        showCertificate();
        // The step the user takes next: a calendar to choose, or the field to mend.
        if (m_draft.chosenCalendar() >= 0)
            m_cboCalendar->setFocus(Qt::OtherFocusReason);
    });
}

void FormAccount::cmdSave_Click()
{
    if (const QString refusal = m_draft.saveRefusal(); !refusal.isEmpty()) {
        setNotice(refusal);
        return;
    }
    m_saving = true;
    updateCommands();
    const AccountSettings account = m_draft.toStore(AccountSettings::load(m_ctx.settings));
    QPointer<FormAccount> self(this);
    m_keeper->save(account, m_draft.passwordToKeep(), [self](const AccountKeeper::Outcome& outcome) {
        if (!self)
            return;
        self->m_saving = false;
        self->setNotice(outcome.message);
        if (outcome.ok)
            self->storedAccountChanged();
        else
            self->updateCommands();
    });
}

void FormAccount::cmdSyncNow_Click()
{
    if (!m_ctx.sync || !AccountSettings::load(m_ctx.settings).isSet()) {
        setNotice(tr("Save an account first; then it can be synced."));
        return;
    }
    m_ctx.sync->syncNow();
    emit SyncAsked();
}

void FormAccount::cmdRemove_Click()
{
    const AccountSettings stored = AccountSettings::load(m_ctx.settings);
    if (!stored.isSet()) {
        setNotice(tr("No calendar account is set up."));
        return;
    }
    const QString question =
        tr("Stop syncing with the calendar \"%1\" of %2 at %3 and forget the account and its password?\n\n"
           "The entries in your schedule stay as they are, and the calendar on the server is not touched.")
            .arg(stored.calendarName, stored.user, QUrl(stored.server).host());
    if (m_ctx.messages.question(this, question) != QMessageBox::Yes)
        return;
    QPointer<FormAccount> self(this);
    m_keeper->remove([self](const AccountKeeper::Outcome& outcome) {
        if (!self)
            return;
        self->setNotice(outcome.message);
        if (outcome.ok)
            self->storedAccountChanged();
    });
}

void FormAccount::chkCertificate_Click()
{
    m_draft.acceptCertificate(m_chkCertificate->isChecked());
    showCalendars();
    if (m_draft.certificateAccepted())
        setNotice(tr("Find the calendars again to use the accepted certificate."));
}

void FormAccount::storedAccountChanged()
{
    m_draft.loadStored(AccountSettings::load(m_ctx.settings));
    showDraft();
    m_lblStatus->setText(statusText());
    emit AccountChanged();
}
