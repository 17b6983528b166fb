#pragma once

#include <QSet>
#include <QString>
#include <QWidget>

class QLabel;

namespace nearbell {

class DesktopOpener;
class MessageDisplay;
class PropertyBag;

// Responsibilities: one line of text drawn as a hyperlink that opens its
// address with the desktop's "open" when the left button is pressed on the
// text; the properties Text, URL and ShowToolTip and their saving in the
// layout of the form that holds the control.
//
// GoToURL is emitted before an address is opened; a handler connected
// directly may change URL (only that copy is opened) or set Cancel.
class URLLink : public QWidget
{
    Q_OBJECT
    Q_CLASSINFO("ClassName", "Nearbell.URLLink")
    Q_PROPERTY(QString Text READ Text WRITE setText)
    Q_PROPERTY(QString URL READ URL WRITE setURL)
    Q_PROPERTY(bool ShowToolTip READ ShowToolTip WRITE setShowToolTip)

public:
    static const QString defaultText; // "Tallowick Home Page"
    static const QString defaultURL;
    static constexpr bool defaultShowToolTip = false;

    // A new control, set up as a new instance placed on a form
    // (InitProperties).
    URLLink(DesktopOpener &opener, MessageDisplay &messages, QWidget *parent = nullptr);

    QString Text() const;
    void setText(const QString &sText);
    QString URL() const { return m_url; }
    void setURL(const QString &sURL);
    bool ShowToolTip() const { return m_showToolTip; }
    void setShowToolTip(bool bShowToolTip);

    // Saved-layout life cycle.
    void InitProperties();
    // Reads the saved values; any unreadable value resets the control to the
    // values of a new instance.
    void ReadProperties(const PropertyBag &bag);
    // Stores the values; those equal to their defaults are left out.
    void WriteProperties(PropertyBag &bag) const;

    // Names of the properties changed since the last clear, for saving.
    QSet<QString> changedProperties() const { return m_changed; }
    void clearChangedProperties() { m_changed.clear(); }

    QLabel *lblURL() const { return m_label; }

signals:
    void GoToURL(QString &URL, bool &Cancel);
    void PropertyChanged(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void lblURL_MouseDown(Qt::MouseButtons buttons);
    void UpdateToolTip();
    void markChanged(const QString &name);

    DesktopOpener &m_opener;
    MessageDisplay &m_messages;
    QLabel *m_label;
    QString m_url;
    bool m_showToolTip = defaultShowToolTip;
    QSet<QString> m_changed;
};

} // namespace nearbell
