#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

namespace nearbell {

class DesktopOpener;
class MessageDisplay;
class URLLink;

// Responsibilities: the About box: the program's title and version, author
// line, description, home-page link, legal notice and disclaimer, centred on
// the screen. Modeless; deleted when it closes.
class frmAbout : public QWidget
{
    Q_OBJECT

public:
    static const QString authorLine;
    static const QString description;
    static const QString disclaimer;

    // legalNoticeText is the copyright line of the program's version
    // information; homePage the maker's home-page address.
    frmAbout(const QString &caption, const QString &homePage, const QString &legalNoticeText,
             DesktopOpener &opener, MessageDisplay &messages, QWidget *parent = nullptr);

    // The text shown as the legal notice for a version-information text.
    static QString legalNotice(const QString &legalNoticeText);

    QLabel *Label1; // title and version
    QLabel *Label2; // author line
    QLabel *Label3; // description
    QPushButton *Command1;
    QLabel *Label4; // "Legal"
    QLabel *Label5; // legal notice
    QLabel *Label8; // "More information on this website"
    URLLink *URLLink1;
    QLabel *Label6; // disclaimer

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QString m_authorLine;
    QString m_description;
    QString m_homePage;
    QString m_legalNotice;
    QString m_disclaimer;
};

} // namespace nearbell
