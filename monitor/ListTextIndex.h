#pragma once

#include <QPointer>
#include <QSet>
#include <QString>

#include "ui/ListBox.h"

namespace nearbell {

// Answers "does this list hold an entry equal to this text" (whole text,
// case-sensitive) without walking the list for every station of a scan.
//
// Responsibilities:
//  - keep a set of the list's texts, rebuilt lazily after any change to the
//    list (add, remove, clear), so it always answers exactly what a search
//    of the list at that moment would answer;
//  - answer false once the list is gone.
class ListTextIndex
{
public:
    explicit ListTextIndex(ListBox *list) : m_list(list) {}

    bool contains(const QString &text);

private:
    QPointer<ListBox> m_list;
    QSet<QString> m_texts;
    quint64 m_revision = 0;
    bool m_built = false;
};

} // namespace nearbell
