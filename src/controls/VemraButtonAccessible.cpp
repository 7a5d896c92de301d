#include "controls/VemraButtonAccessible.h"

#include "controls/CommandKey.h"
#include "controls/VemraButton.h"

namespace {

QAccessibleInterface* makeInterface(const QString& className, QObject* object)
{
    if (className == QLatin1String("VemraButton") && object && object->isWidgetType())
        return new VemraButtonAccessible(static_cast<VemraButton*>(object));
    return nullptr;
}

} // namespace

VemraButtonAccessible::VemraButtonAccessible(VemraButton* button)
    : QAccessibleWidget(button, QAccessible::Button)
{}

void VemraButtonAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&makeInterface);
        return true;
    }();
    Q_UNUSED(installed);
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

QStringList VemraButtonAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void VemraButtonAccessible::doAction(const QString& actionName)
{
    if (actionName == pressAction())
        button()->press();
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList VemraButtonAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName != pressAction())
        return QAccessibleWidget::keyBindingsForAction(actionName);
    QStringList keys;
    if (const QChar letter = button()->accessKey(); !letter.isNull())
        keys << QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(letter.toUpper().unicode())))
                    .toString(QKeySequence::PortableText);
    if (const QKeySequence key = CommandKey::keyOf(button()); !key.isEmpty())
        keys << key.toString(QKeySequence::PortableText);
    return keys;
}
