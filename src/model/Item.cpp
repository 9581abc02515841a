#include "Item.h"

Item::Item(QObject* parent) : ModelObject(parent), m_timestamp(QDateTime::currentDateTimeUtc()) {}
