#include "controls/VemraButtonAccessible.h"

#include "controls/VemraButton.h"

namespace {

QAccessibleInterface* makeInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("VemraButton") && object && object->isWidgetType())
        return new VemraButtonAccessible(static_cast<VemraButton*>(object));
    return nullptr;
}

} // namespace

VemraButtonAccessible::VemraButtonAccessible(VemraButton* button) : CommandAccessible(button) {}

void VemraButtonAccessible::install()
{
    installOnce(&makeInterface);
}

VemraButton* VemraButtonAccessible::button() const
{
    return static_cast<VemraButton*>(widget());
}

QString VemraButtonAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
        return QString(button()->caption()).remove(u'&');
    return QAccessibleWidget::text(t);
}

void VemraButtonAccessible::press()
{
    button()->press();
}

QKeySequence VemraButtonAccessible::accessKey() const
{
    const QChar letter = button()->accessKey();
    if (letter.isNull())
        return {};
    return QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(letter.toUpper().unicode())));
}
