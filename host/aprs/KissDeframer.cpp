#include "host/aprs/KissDeframer.h"

namespace nearbell {

void KissDeframer::reset()
{
    m_length = 0;
    m_inFrame = false;
    m_escape = false;
    m_broken = false;
}

} // namespace nearbell
