#include "ui/frmStationSetup.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

#include "host/HostProfile.h"

namespace nearbell {

namespace {

using Field = HostSetup::Field;
using Source = HostSetup::Source;

// The combo box order of the sources.
const std::pair<Source, const char *> kSources[] = {
    {Source::Demo, "Demo (simulated stations)"},
    {Source::Kiss, "KISS TNC over TCP"},
    {Source::AprsIs, "APRS-IS server"},
    {Source::Replay, "Replay file"},
    {Source::None, "None"},
};

const char *kReasonStyle = "color: #b00000;";

QComboBox *labelledCombo(QFormLayout *form, const QString &label, const QString &objectName, QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(objectName);
    combo->setAccessibleName(label);
    form->addRow(new QLabel(label, parent), combo);
    return combo;
}

} // namespace

frmStationSetup::frmStationSetup(QString hostProfile, QString runningCallsign, QWidget *parent)
    : QDialog(parent), m_hostProfile(std::move(hostProfile)), m_runningCallsign(std::move(runningCallsign))
{
    setObjectName(QStringLiteral("frmStationSetup"));
    setWindowTitle(QStringLiteral("Station setup"));
    m_setup = HostSetup::fromTexts(HostProfile::readTexts(m_hostProfile));

    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(QStringLiteral("Your own station and where Nearbell hears other stations from. "
                                            "These settings are kept in %1.")
                                 .arg(m_hostProfile),
                             this);
    intro->setWordWrap(true);
    intro->setTextFormat(Qt::PlainText);
    layout->addWidget(intro);

    m_form = new QFormLayout;
    layout->addLayout(m_form);
    addField(Field::Callsign, QStringLiteral("Callsign (with SSID)"), QStringLiteral("for example N0CALL-9"));
    addField(Field::Latitude, QStringLiteral("Latitude"), QStringLiteral("for example 5130.00N"));
    addField(Field::Longitude, QStringLiteral("Longitude"), QStringLiteral("for example 00007.50W"));

    cboUnits = labelledCombo(m_form, QStringLiteral("Distance units"), QStringLiteral("cboUnits"), this);
    cboUnits->addItem(QStringLiteral("Kilometres"));
    cboUnits->addItem(QStringLiteral("Miles"));
    cboUnits->setCurrentIndex(m_setup.unitsMiles ? 1 : 0);
    connect(cboUnits, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_setup.unitsMiles = index == 1;
        refresh();
    });

    addField(Field::Expire, QStringLiteral("Forget stations after (minutes)"), QString());

    cboSource = labelledCombo(m_form, QStringLiteral("Station source"), QStringLiteral("cboSource"), this);
    for (const auto &[source, text] : kSources) {
        cboSource->addItem(QString::fromLatin1(text), int(source));
        if (source == m_setup.source)
            cboSource->setCurrentIndex(cboSource->count() - 1);
    }
    connect(cboSource, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_setup.source = Source(cboSource->itemData(index).toInt());
        refresh();
    });

    addField(Field::KissHost, QStringLiteral("TNC host"), QStringLiteral("127.0.0.1"));
    addField(Field::KissPort, QStringLiteral("TNC port"), QStringLiteral("8001"));
    addField(Field::AprsIsServer, QStringLiteral("APRS-IS server"), QStringLiteral("host name or address"));
    addField(Field::AprsIsPort, QStringLiteral("APRS-IS port"), QStringLiteral("14580"));
    addField(Field::RangeKm, QStringLiteral("Filter range (km)"), QStringLiteral("100"));
    addField(Field::Filter, QStringLiteral("APRS-IS filter"), QStringLiteral("empty: the range around you"));
    addField(Field::ReplayFile, QStringLiteral("Replay file"), QStringLiteral("a file of TNC2 lines"));
    addField(Field::ReplayMs, QStringLiteral("Replay interval (ms)"), QStringLiteral("1000"));

    lblCallsignNote = new QLabel(this);
    lblCallsignNote->setObjectName(QStringLiteral("lblCallsignNote"));
    lblCallsignNote->setTextFormat(Qt::PlainText);
    lblCallsignNote->setText(QStringLiteral("The new callsign applies at the next start of Nearbell."));
    layout->addWidget(lblCallsignNote);

    lblWriteError = new QLabel(this);
    lblWriteError->setObjectName(QStringLiteral("lblWriteError"));
    lblWriteError->setTextFormat(Qt::PlainText);
    lblWriteError->setWordWrap(true);
    lblWriteError->setStyleSheet(QString::fromLatin1(kReasonStyle));
    lblWriteError->hide();
    layout->addWidget(lblWriteError);

    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &frmStationSetup::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmStationSetup::reject);

    refresh();
}

void frmStationSetup::addField(Field field, const QString &label, const QString &hint)
{
    auto *row = new QWidget(this);
    auto *rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    auto *edit = new QLineEdit(m_setup.text(field), row);
    edit->setAccessibleName(label);
    edit->setPlaceholderText(hint);
    edit->setMinimumWidth(180);
    auto *reason = new QLabel(row);
    reason->setTextFormat(Qt::PlainText);
    reason->setStyleSheet(QString::fromLatin1(kReasonStyle));
    reason->setMinimumWidth(300);
    reason->setWordWrap(true);
    rowLayout->addWidget(edit);
    rowLayout->addWidget(reason, 1);
    auto *caption = new QLabel(label, this);
    caption->setBuddy(edit);
    m_form->addRow(caption, row);

    m_edits[field] = edit;
    m_reasons[field] = reason;
    m_rows[field] = row;
    connect(edit, &QLineEdit::textChanged, this, [this, field](const QString &text) {
        m_setup.setText(field, text);
        refresh();
    });
}

void frmStationSetup::refresh()
{
    for (Field field : HostSetup::kFields) {
        const QString problem = m_setup.problem(field);
        m_reasons.at(field)->setText(problem);
        m_edits.at(field)->setAccessibleDescription(problem);
        m_form->setRowVisible(m_rows.at(field), m_setup.fieldInUse(field));
    }
    const QString typed = m_setup.callsign.trimmed().toUpper();
    lblCallsignNote->setVisible(!m_runningCallsign.isEmpty() && typed != m_runningCallsign);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(m_setup.valid());
}

bool frmStationSetup::okEnabled() const
{
    return buttons->button(QDialogButtonBox::Ok)->isEnabled();
}

void frmStationSetup::setSource(Source source)
{
    for (int i = 0; i < cboSource->count(); ++i) {
        if (cboSource->itemData(i).toInt() == int(source))
            cboSource->setCurrentIndex(i);
    }
}

void frmStationSetup::accept()
{
    if (!m_setup.valid())
        return;
    if (!HostProfile::write(m_hostProfile, m_setup.toTexts())) {
        const QFileInfo info(m_hostProfile);
        const QString why = info.isDir() ? QStringLiteral("it is a folder, not a file")
                                         : QStringLiteral("the file or its folder cannot be written");
        lblWriteError->setText(QStringLiteral("%1 could not be saved: %2.").arg(m_hostProfile, why));
        lblWriteError->show();
        return;
    }
    lblWriteError->hide();
    QDialog::accept();
}

} // namespace nearbell
