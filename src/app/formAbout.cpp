#include "app/formAbout.h"

#include "app/AppResources.h"
#include "app/ProgramModule.h"
#include "app/SystemModule.h"
#include "controls/VemraButton.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

formAbout::formAbout(const ScreenService& screen, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_screen(screen)
{
    setObjectName(QStringLiteral("formAbout"));
    setWindowTitle(QStringLiteral("About Zentravio"));
    setWindowIcon(AppResources::programIcon());
    setFixedSize(370, 190);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(AppResources::creditsPicture());
    picture->setGeometry(18, 20, 64, 64);

    const QStringList lines = {
        QStringLiteral("Zentravio v1.2.2"),
        QStringLiteral("A personal calendar with alarms."),
        QStringLiteral("Written by the Zentravio developers."),
        QStringLiteral("Thank you for using it."),
    };
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(9);
    for (int i = 0; i < lines.size(); ++i) {
        auto* label = new QLabel(lines.at(i), this);
        label->setObjectName(QStringLiteral("Label1(%1)").arg(i));
        label->setAccessibleName(lines.at(i));
        QFont lineFont = font;
        lineFont.setBold(i == 0);
        label->setFont(lineFont);
        label->setGeometry(98, 22 + i * 22, 260, 20);
    }

    m_vemraButton1 = new VemraButton(QStringLiteral("&Ok"), this);
    m_vemraButton1->setObjectName(QStringLiteral("VemraButton1"));
    m_vemraButton1->setGeometry(274, 146, 80, 28);
    connect(m_vemraButton1, &VemraButton::Click, this, &formAbout::VemraButton1_Click);

    // Holds the keyboard focus for the owner-drawn button, out of sight.
    m_cmdSetfocus = new QPushButton(QStringLiteral("Command1"), this);
    m_cmdSetfocus->setObjectName(QStringLiteral("cmdSetfocus"));
    m_cmdSetfocus->setGeometry(-200, -200, 10, 10);
    m_vemraButton1->installEventFilter(this);
}

void formAbout::ShowCredits()
{
    SetTopMost(this, true);
    CentreForm(this, m_screen);
    show();
    raise();
    activateWindow();
}

void formAbout::VemraButton1_Click()
{
    close();
}

void formAbout::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintRaisedFace(painter, rect());
}

bool formAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && watched == m_vemraButton1)
        m_cmdSetfocus->setFocus();
    return QWidget::eventFilter(watched, event);
}
