#include "monitor/ListTextIndex.h"

#include <QAbstractItemModel>
#include <QListWidget>

namespace nearbell {

ListTextIndex::ListTextIndex(QListWidget *list, QObject *parent) : QObject(parent), m_list(list)
{
    if (!list)
        return;
    QAbstractItemModel *model = list->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &ListTextIndex::invalidate);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ListTextIndex::invalidate);
    connect(model, &QAbstractItemModel::rowsMoved, this, &ListTextIndex::invalidate);
    connect(model, &QAbstractItemModel::dataChanged, this, &ListTextIndex::invalidate);
    connect(model, &QAbstractItemModel::modelReset, this, &ListTextIndex::invalidate);
    connect(model, &QAbstractItemModel::layoutChanged, this, &ListTextIndex::invalidate);
}

bool ListTextIndex::contains(const QString &text)
{
    if (!m_list)
        return false;
    if (m_stale)
        rebuild();
    return m_texts.contains(text);
}

void ListTextIndex::rebuild()
{
    m_texts.clear();
    const int n = m_list->count();
    m_texts.reserve(n);
    for (int i = 0; i < n; ++i)
        m_texts.insert(m_list->item(i)->text());
    m_stale = false;
}

} // namespace nearbell
