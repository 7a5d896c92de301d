#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

class QDataStream;

// The keyed store a button saves its settings into: typed values under text keys, where keys are
// compared without regard to case (stored buttons carry their keys in lower case).
class PropertyBag
{
public:
    PropertyBag() = default;
    explicit PropertyBag(const QVariantMap& values);

    // Stores the value under the key, replacing any value whose key differs only in case.
    void writeProperty(const QString& key, const QVariant& value);
    // The value under the key, or the default when no key matches.
    QVariant readProperty(const QString& key, const QVariant& defaultValue = QVariant()) const;
    bool contains(const QString& key) const;

    // Keys in the order they were written (loaded keys come in the stream's order).
    QStringList keys() const { return m_order; }
    QVariantMap toMap() const { return m_values; }

    void save(QDataStream& out) const;
    // Replaces the contents with what the stream holds; false when the stream was unreadable.
    bool load(QDataStream& in);

private:
    QString findKey(const QString& key) const;

    QVariantMap m_values;
    QStringList m_order;
};
