#include "app/formAbout.h"

#include "app/AppResources.h"
#include "app/ProgramModule.h"
#include "controls/VemraButton.h"
#include "forms/DesignUnits.h"
#include "forms/WindowHelpers.h"

#include <QLabel>
#include <QPainter>

formAbout::formAbout(const ScreenService& screen, QWidget* parent)
    : DesignForm(QStringLiteral("formAbout"), QStringLiteral("About Zentravio"), Band::Normal, parent),
      m_screen(screen)
{
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
    const QFont font = Design::font(QStringLiteral("Tahoma"), 9);
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
    m_vemraButton1->setButtonType(ButtonType::ThinEdge);
    m_vemraButton1->setGeometry(274, 146, 80, 28);
    connect(m_vemraButton1, &VemraButton::Click, this, &formAbout::VemraButton1_Click);
    passFocusOn(m_vemraButton1);
}

void formAbout::Form_Load()
{
    SetTopMost(this, true);
    centreOn(m_screen);
}

void formAbout::ShowCredits()
{
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
