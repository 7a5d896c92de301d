#include "account/TitleStrip.h"

#include "forms/ClickLabel.h"
#include "forms/DesignUnits.h"

ClickLabel* addTitleStrip(QWidget* form, const QString& caption, int widthTwips)
{
    auto* strip = new ClickLabel(form);
    strip->setObjectName(QStringLiteral("Label1"));
    strip->setGeometry(Design::rect(0, 0, widthTwips, 495));
    strip->setOpaque(true);
    // Dark enough for the light-grey caption over it to be read.
    strip->setBackColor(0x404040);
    auto* title = new ClickLabel(caption, form);
    title->setObjectName(QStringLiteral("Label3"));
    title->setGeometry(Design::rect(240, 240, 3600, 255));
    title->setForeColor(0xC0C0C0);
    title->setAttribute(Qt::WA_TransparentForMouseEvents);
    return strip;
}
