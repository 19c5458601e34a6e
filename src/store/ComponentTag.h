#pragma once
// The spare integer every component of the platform carries ("Tag"). The
// certificate list query keeps the blank number found for a new certificate
// in it.
#include <QObject>
#include <QVariant>
#include <cstdint>

inline int32_t Tag(const QObject &component)
{
    return component.property("Tag").toInt();
}

inline void SetTag(QObject &component, int32_t value)
{
    component.setProperty("Tag", value);
}
