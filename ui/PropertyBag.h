#pragma once

#include <QMap>
#include <QString>
#include <QVariant>

namespace nearbell {

// Responsibilities: the saved properties of one control in the layout of the
// form that holds it: named values, where a value equal to its default is
// left out so a layout only carries what was changed.
class PropertyBag
{
public:
    // The stored value, or defaultValue when name is not stored.
    QVariant readProperty(const QString &name, const QVariant &defaultValue = {}) const;
    // Stores value; a value equal to defaultValue is removed instead.
    void writeProperty(const QString &name, const QVariant &value, const QVariant &defaultValue = {});

    bool contains(const QString &name) const { return m_values.contains(name); }
    QStringList names() const { return m_values.keys(); }
    void clear() { m_values.clear(); }

private:
    QMap<QString, QVariant> m_values;
};

} // namespace nearbell
