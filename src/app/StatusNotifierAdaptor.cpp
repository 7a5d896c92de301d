#include "app/StatusNotifierAdaptor.h"

StatusNotifierAdaptor::StatusNotifierAdaptor(StatusNotifierItem* item) : QDBusAbstractAdaptor(item), m_item(item)
{
    connect(item, &StatusNotifierItem::statusChanged, this, &StatusNotifierAdaptor::NewStatus);
}
