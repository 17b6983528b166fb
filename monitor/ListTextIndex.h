#pragma once

#include <QSet>
#include <QObject>
#include <QPointer>
#include <QString>

class QListWidget;

namespace nearbell {

// Answers "does this list hold an entry equal to this text" (whole text,
// case-sensitive) without walking the list for every station of a scan.
//
// Responsibilities:
//  - keep a set of the list's texts, rebuilt lazily after any change to the
//    list (insert, remove, move, edit, clear), so it always answers exactly
//    what a search of the list at that moment would answer;
//  - answer false once the list is gone.
class ListTextIndex : public QObject
{
    Q_OBJECT
public:
    explicit ListTextIndex(QListWidget *list, QObject *parent = nullptr);

    bool contains(const QString &text);

private:
    void invalidate() { m_stale = true; }
    void rebuild();

    QPointer<QListWidget> m_list;
    QSet<QString> m_texts;
    bool m_stale = true;
};

} // namespace nearbell
