#include "account/FormPassword.h"

#include "account/TitleStrip.h"
#include "controls/VemraButton.h"
#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"
#include "forms/WindowHelpers.h"

#include <QLineEdit>

FormPassword::FormPassword(const ScreenService& screen)
    : DesignForm(QStringLiteral("FormPassword"), QStringLiteral("Calendar password"), Band::TopMost),
      m_screen(screen)
{
    setDesignSize(5415, 2730);
    setBackColor(0xC0C0C0);
    setFont(Design::font(QStringLiteral("Tahoma"), 8.25));

    dragBy(addTitleStrip(this, tr("Calendar password"), 5415));
    ClickLabel* cross = addClosePicture(QStringLiteral("Image1"), Design::rect(5085, 75, 255, 255));

    m_reason = new ClickLabel(this);
    m_reason->setObjectName(QStringLiteral("lblReason"));
    m_reason->setGeometry(Design::rect(240, 600, 4935, 855));
    m_reason->setWordWrap(true);
    m_reason->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* label = new ClickLabel(tr("&Password:"), this);
    label->setObjectName(QStringLiteral("Label2"));
    label->setGeometry(Design::rect(240, 1590, 1200, 255));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("txtPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setGeometry(Design::rect(1440, 1560, 3735, 315));
    label->setBuddy(m_password);
    nameField(m_password, tr("Password"));
    connect(m_password, &QLineEdit::returnPressed, this, &FormPassword::cmdOk_Click);

    m_ok = new VemraButton(QStringLiteral("&OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOk"));
    m_cancel = new VemraButton(QStringLiteral("&Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    int left = 3120;
    for (VemraButton* button : {m_ok, m_cancel}) {
        button->setButtonType(ButtonType::ThinEdge);
        button->setGeometry(Design::rect(left, 2160, 975, 375));
        passFocusOn(button);
        left += 1080;
    }
    connect(m_ok, &VemraButton::Click, this, &FormPassword::cmdOk_Click);
    connect(m_cancel, &VemraButton::Click, this, &FormPassword::cmdCancel_Click);
    setKeyboardOrder({m_password, m_ok, m_cancel, cross});
}

FormPassword::~FormPassword() = default;

void FormPassword::Form_Load()
{
    SetTopMost(this, true);
    centreOn(m_screen);
    decorate(m_password);
    m_answered = false;
}

void FormPassword::setReason(const QString& reason)
{
    m_reason->setText(reason);
    setAccessibleDescription(reason);
}

void FormPassword::ask(const QString& reason)
{
    loadIfNeeded();
    setReason(reason);
    m_password->clear();
    BringForward(this);
    m_password->setFocus(Qt::OtherFocusReason);
}

void FormPassword::withdraw()
{
    if (!isVisible())
        return;
    m_answered = true;
    close();
}

void FormPassword::cmdOk_Click()
{
    const QString password = m_password->text();
    if (password.isEmpty()) {
        m_reason->setText(tr("Type the password first. \"Cancel\" leaves syncing stopped until you give it "
                             "in the calendar account window."));
        m_password->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_answered = true;
    m_password->clear();
    close();
    emit Answered(password);
}

void FormPassword::cmdCancel_Click()
{
    close();
}

void FormPassword::Form_Unload()
{
    m_password->clear();
    if (!m_answered)
        emit Declined();
}
