#include "controls/PropertyBag.h"

#include <QDataStream>

PropertyBag::PropertyBag(const QVariantMap& values) : m_values(values), m_order(values.keys()) {}

QString PropertyBag::findKey(const QString& key) const
{
    if (m_values.contains(key))
        return key;
    for (auto it = m_values.constBegin(); it != m_values.constEnd(); ++it) {
        if (it.key().compare(key, Qt::CaseInsensitive) == 0)
            return it.key();
    }
    return QString();
}

void PropertyBag::writeProperty(const QString& key, const QVariant& value)
{
    for (QString existing = findKey(key); !existing.isNull(); existing = findKey(key)) {
        m_values.remove(existing);
        m_order.removeAll(existing);
    }
    m_values.insert(key, value);
    m_order.append(key);
}

QVariant PropertyBag::readProperty(const QString& key, const QVariant& defaultValue) const
{
    const QString found = findKey(key);
    return found.isNull() ? defaultValue : m_values.value(found);
}

bool PropertyBag::contains(const QString& key) const
{
    return !findKey(key).isNull();
}

void PropertyBag::save(QDataStream& out) const
{
    out << m_values;
}

bool PropertyBag::load(QDataStream& in)
{
    QVariantMap values;
    in >> values;
    if (in.status() != QDataStream::Ok)
        return false;
    m_values = values;
    m_order = values.keys();
    return true;
}
