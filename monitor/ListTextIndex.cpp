#include "monitor/ListTextIndex.h"

namespace nearbell {

bool ListTextIndex::contains(const QString &text)
{
    if (!m_list)
        return false;
    if (!m_built || m_revision != m_list->revision()) {
        const QStringList lines = m_list->lines();
        m_texts = QSet<QString>(lines.cbegin(), lines.cend());
        m_revision = m_list->revision();
        m_built = true;
    }
    return m_texts.contains(text);
}

} // namespace nearbell
