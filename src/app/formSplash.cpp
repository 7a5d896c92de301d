#include "app/formSplash.h"

#include "app/AppResources.h"
#include "app/ProgramModule.h"
#include "app/formAbout.h"
#include "controls/VemraButton.h"
#include "forms/DesignUnits.h"
#include "forms/Services.h"
#include "forms/WindowHelpers.h"

#include <QLabel>
#include <QPainter>

namespace {

constexpr int WindowWidth = 470;
constexpr int WindowHeight = 250;

QLabel* addLabel(QWidget* parent, const QString& name, const QString& text, const QRect& place,
                 const QFont& font)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAccessibleName(text);
    label->setGeometry(place);
    label->setFont(font);
    return label;
}

} // namespace

QString formSplash::CreditText()
{
    return QStringLiteral("Zentravio, a personal calendar with alarms, written by the Zentravio developers. "
                          "Thank you for keeping your days with it.          ");
}

formSplash::formSplash(const ScreenService& screen, QWidget* parent)
    : DesignForm(QStringLiteral("formSplash"), QStringLiteral("Zentravio v1.2.2"), Band::Normal, parent),
      m_screen(screen)
{
    setWindowIcon(AppResources::programIcon());
    setFixedSize(WindowWidth, WindowHeight);
    setAutoFillBackground(false);

    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(AppResources::splashPicture());
    image1->setGeometry(20, 22, 96, 96);

    addLabel(this, QStringLiteral("Label1"), QStringLiteral("Zentravio"), QRect(136, 18, 320, 44),
             Design::font(QStringLiteral("MS Serif"), 24, true));
    addLabel(this, QStringLiteral("Label2"), QStringLiteral("v1.2.2"), QRect(138, 62, 120, 18),
             Design::font(QStringLiteral("Tahoma"), 9));
    const QFont lineFont = Design::font(QStringLiteral("Tahoma"), 9, true);
    addLabel(this, QStringLiteral("Label4(0)"), QStringLiteral("Personal Information Management System"),
             QRect(138, 88, 320, 18), lineFont);
    addLabel(this, QStringLiteral("Label4(1)"), QStringLiteral("and Calendar Scheduler."),
             QRect(138, 106, 320, 18), lineFont);

    m_label5 = addLabel(this, QStringLiteral("Label5"), CreditText(), QRect(20, 150, 430, 20),
                        Design::font(QStringLiteral("Tahoma"), 8.25));
    m_label5->setWordWrap(false);
    m_label5->setTextFormat(Qt::PlainText);

    m_vemraButton2 = new VemraButton(QStringLiteral("Author"), this);
    m_vemraButton2->setObjectName(QStringLiteral("VemraButton2"));
    m_vemraButton2->setButtonType(ButtonType::ThinEdge);
    m_vemraButton2->setGeometry(292, 204, 76, 28);
    m_vemraButton2->setVisible(false);
    connect(m_vemraButton2, &VemraButton::Click, this, &formSplash::VemraButton2_Click);

    m_vemraButton1 = new VemraButton(QStringLiteral("Close"), this);
    m_vemraButton1->setObjectName(QStringLiteral("VemraButton1"));
    m_vemraButton1->setButtonType(ButtonType::ThinEdge);
    m_vemraButton1->setGeometry(374, 204, 76, 28);
    m_vemraButton1->setVisible(false);
    connect(m_vemraButton1, &VemraButton::Click, this, &formSplash::VemraButton1_Click);
    passFocusOn(m_vemraButton1);
    passFocusOn(m_vemraButton2);
    // The credits' buttons carry no access keys: Escape closes, as in any dialog, and F1 tells more.
    bindCommandKey(m_vemraButton1, QKeySequence(Qt::Key_Escape));
    bindCommandKey(m_vemraButton2, QKeySequence(Qt::Key_F1));

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(1000);
    connect(m_timer1, &QTimer::timeout, this, &formSplash::Timer1_Timer);
    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setInterval(150);
    connect(m_timer2, &QTimer::timeout, this, &formSplash::Timer2_Timer);
}

formSplash::~formSplash() = default;

void formSplash::ShowSplash()
{
    show();
}

void formSplash::ShowAsAboutScreen()
{
    show();
    raise();
    activateWindow();
    m_timer1->stop();
    m_timer2->start();
}

void formSplash::Form_Load()
{
    SetTopMost(this, true);
    CentreForm(this, m_screen);
    m_paintPending = true;
    // The timers as the window is designed: the tick count runs, the credit line stands.
    m_timer1->start();
    m_timer2->stop();
}

void formSplash::Form_Unload()
{
    m_timer1->stop();
    m_timer2->stop();
}

void formSplash::Timer1_Timer()
{
    if (m_splashTicks == 2)
        emit ShowMainWindow();
    if (m_splashTicks == 3)
        close();
    ++m_splashTicks;
}

void formSplash::Timer2_Timer()
{
    m_vemraButton1->setVisible(true);
    m_vemraButton2->setVisible(true);
    QString caption = m_label5->text();
    m_label5->setText(RotateText(caption));
}

void formSplash::VemraButton1_Click()
{
    close();
}

void formSplash::VemraButton2_Click()
{
    if (!m_about)
        m_about = new formAbout(m_screen, this);
    m_about->ShowCredits();
}

void formSplash::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintRaisedFace(painter, rect());
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawLine(20, 140, width() - 20, 140);
    if (m_paintPending) {
        m_paintPending = false;
        // Queued, so that this paint reaches the screen before start-up goes on.
        QMetaObject::invokeMethod(this, &formSplash::FirstPainted, Qt::QueuedConnection);
    }
}
