#pragma once

#include "CreateExample.h"
#include "create/CreateFields.h"

#include <QMetaType>
#include <QStringList>

#include <functional>

// The creation window's worked example as typed, with the keys the window preselects, as
// `change` leaves it.
inline CreateFields changedExample(const std::function<void(CreateFields &)> &change)
{
    using namespace Qt::StringLiterals;
    QStringList v;
    for (const auto &[name, value] : CreateExampleFields)
        v << QLatin1String(value);
    CreateFields fields{v[0], v[1], v[2], v[3], {}, u"ThresholdValue1"_s, u"ThresholdValue2"_s};
    fields.streams = {{{v[4], v[5], v[6], v[7], v[8]}, {v[9], v[10], v[11], v[12], v[13]}}};
    change(fields);
    return fields;
}

Q_DECLARE_METATYPE(CreateFields)
