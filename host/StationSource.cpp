#include "host/StationSource.h"

namespace nearbell {

StationSource::StationSource(QObject *parent) : QObject(parent)
{
    connect(this, &StationSource::connectionStateChanged, this,
            [this](const QString &description) { m_lastState = description; });
}

StatusPart StationSource::status() const
{
    return StatusPart{m_lastState, false};
}

} // namespace nearbell
