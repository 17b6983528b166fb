#include "ui/frmStationSetup.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QSignalBlocker>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "host/HostProfile.h"
#include "ui/DeviceComboBox.h"
#include "platform/SerialDevices.h"

namespace nearbell {

namespace {

using Field = HostSetup::Field;
using Source = HostSetup::Source;

// The combo box order of the sources.
const std::pair<Source, const char *> kSources[] = {
    {Source::Demo, "Demo (simulated stations)"},
    {Source::Kiss, "KISS TNC over TCP"},
    {Source::Serial, "KISS TNC on a serial port"},
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
    m_setup = HostSetup::fromTexts(HostProfile::readTexts(m_hostProfile), QFileInfo(m_hostProfile).absolutePath());
    m_initial = m_setup;
    chooseFile = [this](const QString &caption, const QString &start) {
        return QFileDialog::getOpenFileName(this, caption, start);
    };
    serialDevices = [] { return SerialDevices::present(); };

    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(QStringLiteral("Your own station and where Nearbell hears other stations from. "
                                            "These settings are kept in %1.")
                                 .arg(m_hostProfile),
                             this);
    intro->setWordWrap(true);
    intro->setTextFormat(Qt::PlainText);
    layout->addWidget(intro);

    // Everything but the buttons scrolls, so that the window fits on a
    // small screen; its size is set once, from the largest source page.
    auto *scroll = m_scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scrSetup"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *content = new QWidget(scroll);
    auto *contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    scroll->setWidget(content);
    layout->addWidget(scroll, 1);
    m_form = new QFormLayout;
    contentLayout->addLayout(m_form);
    addField(Field::Callsign, QStringLiteral("Callsign (with SSID)"), QStringLiteral("for example N0CALL-9"));
    addField(Field::Latitude, QStringLiteral("Latitude"), QStringLiteral("for example 5130.00N"));
    addField(Field::Longitude, QStringLiteral("Longitude"), QStringLiteral("for example 00007.50W"));

    cboPosition = labelledCombo(m_form, QStringLiteral("Own position"), QStringLiteral("cboPosition"), this);
    cboPosition->addItem(QStringLiteral("Fixed (latitude and longitude above)"));
    cboPosition->addItem(QStringLiteral("From gpsd (the fixed one serves until the first fix)"));
    cboPosition->setCurrentIndex(m_setup.positionFromGpsd ? 1 : 0);
    connect(cboPosition, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_setup.positionFromGpsd = index == 1;
        refresh();
    });
    addField(Field::GpsdAddress, QStringLiteral("gpsd address"), QStringLiteral("127.0.0.1:2947"));

    cboUnits = labelledCombo(m_form, QStringLiteral("Distance units"), QStringLiteral("cboUnits"), this);
    cboUnits->addItem(QStringLiteral("Kilometres"));
    cboUnits->addItem(QStringLiteral("Miles"));
    cboUnits->setCurrentIndex(m_setup.unitsMiles ? 1 : 0);
    connect(cboUnits, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_setup.unitsMiles = index == 1;
        refresh();
    });

    addField(Field::Expire, QStringLiteral("Forget stations after (minutes)"), QString());

    auto *sourceForm = new QFormLayout;
    contentLayout->addLayout(sourceForm);
    m_form = sourceForm;
    addSourceList(m_form);
    cboSource = labelledCombo(m_form, QStringLiteral("Station source"), QStringLiteral("cboSource"), this);
    // A SOURCE line not understood stays selectable as written, so that OK
    // with another field changed does not lose it.
    if (m_setup.source == Source::Unknown)
        cboSource->addItem(QStringLiteral("As written: %1").arg(m_setup.unknownSource.left(60)), int(Source::Unknown));
    for (const auto &[source, text] : kSources)
        cboSource->addItem(QString::fromLatin1(text), int(source));
    cboSource->setCurrentIndex(cboSource->findData(int(m_setup.source)));
    // One page per kind of source, all the size of the largest: the window
    // keeps its size whichever kind is shown.
    pgsSource = new QStackedWidget(content);
    pgsSource->setObjectName(QStringLiteral("pgsSource"));
    contentLayout->addWidget(pgsSource);
    contentLayout->addStretch(1);
    const auto page = [this](Source kind, const QString &note = QString()) {
        auto *widget = new QWidget(pgsSource);
        auto *form = new QFormLayout(widget);
        form->setContentsMargins(0, 0, 0, 0);
        if (!note.isEmpty()) {
            auto *label = new QLabel(note, widget);
            label->setWordWrap(true);
            form->addRow(label);
        }
        m_pages[kind] = pgsSource->addWidget(widget);
        m_form = form;
        return form;
    };
    lblSourceReason = new QLabel(this);
    lblSourceReason->setObjectName(QStringLiteral("lblSourceReason"));
    lblSourceReason->setTextFormat(Qt::PlainText);
    lblSourceReason->setWordWrap(true);
    lblSourceReason->setStyleSheet(QString::fromLatin1(kReasonStyle));
    page(Source::Unknown)->addRow(lblSourceReason);
    connect(cboSource, &QComboBox::currentIndexChanged, this, [this](int index) {
        m_setup.source = Source(cboSource->itemData(index).toInt());
        refresh();
    });

    page(Source::Demo, QStringLiteral("Simulated stations around your own position, to try Nearbell "
                                      "without a radio."));
    page(Source::None, QStringLiteral("No stations are heard from this line."));
    page(Source::Kiss);
    addField(Field::KissHost, QStringLiteral("TNC host"), QStringLiteral("127.0.0.1"));
    addField(Field::KissPort, QStringLiteral("TNC port"), QStringLiteral("8001"));
    page(Source::Serial);
    addField(Field::SerialDevice, QStringLiteral("Serial device"), QStringLiteral("/dev/ttyUSB0"));
    addField(Field::SerialSpeed, QStringLiteral("Serial speed (baud)"), QStringLiteral("9600"));
    addField(Field::SerialInit, QStringLiteral("TNC init file"), QStringLiteral("empty: none"));
    addBrowse(Field::SerialInit, QStringLiteral("TNC init file"));
    page(Source::AprsIs);
    addField(Field::AprsIsServer, QStringLiteral("APRS-IS server"), QStringLiteral("host name or address"));
    addField(Field::AprsIsPort, QStringLiteral("APRS-IS port"), QStringLiteral("14580"));
    addField(Field::RangeKm, QStringLiteral("Filter range (km)"), QStringLiteral("100"));
    addField(Field::Filter, QStringLiteral("APRS-IS filter"), QStringLiteral("empty: the range around you"));
    page(Source::Replay);
    addField(Field::ReplayFile, QStringLiteral("Replay file"), QStringLiteral("a file of TNC2 lines"));
    addBrowse(Field::ReplayFile, QStringLiteral("Replay file"));
    addField(Field::ReplayMs, QStringLiteral("Replay interval (ms)"), QStringLiteral("1000"));

    lblCallsignNote = new QLabel(this);
    lblCallsignNote->setObjectName(QStringLiteral("lblCallsignNote"));
    lblCallsignNote->setTextFormat(Qt::PlainText);
    lblCallsignNote->setText(QStringLiteral("The new callsign applies at the next start of Nearbell."));
    // The notes keep their room when hidden: showing one moves nothing.
    QSizePolicy keepRoom = lblCallsignNote->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    lblCallsignNote->setSizePolicy(keepRoom);

    lblWriteError = new QLabel(this);
    lblWriteError->setObjectName(QStringLiteral("lblWriteError"));
    lblWriteError->setTextFormat(Qt::PlainText);
    lblWriteError->setWordWrap(true);
    lblWriteError->setStyleSheet(QString::fromLatin1(kReasonStyle));
    lblWriteError->setSizePolicy(keepRoom);
    lblWriteError->hide();
    layout->addWidget(lblWriteError);

    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblCallsignNote, 1);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);
    connect(buttons, &QDialogButtonBox::accepted, this, &frmStationSetup::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmStationSetup::reject);

    // The captions of the station's form and of every source page line up.
    int captionWidth = 0;
    const QList<QLabel *> captions = findChildren<QLabel *>();
    for (const QLabel *label : captions) {
        if (label->buddy())
            captionWidth = std::max(captionWidth, label->sizeHint().width());
    }
    for (QLabel *label : captions) {
        if (label->buddy())
            label->setMinimumWidth(captionWidth);
    }

    refreshDevices();
    refresh();
}

void frmStationSetup::addField(Field field, const QString &label, const QString &hint)
{
    auto *row = new QWidget(this);
    auto *rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    QLineEdit *edit = nullptr;
    if (field == Field::SerialDevice) {
        // The ports present to choose from, or any path typed.
        cboSerialDevice = new DeviceComboBox(row);
        cboSerialDevice->setObjectName(QStringLiteral("cboSerialDevice"));
        cboSerialDevice->devices = [this] { return serialDevices(); };
        cboSerialDevice->setAccessibleName(label);
        cboSerialDevice->setMinimumWidth(180);
        rowLayout->addWidget(cboSerialDevice);
        edit = cboSerialDevice->lineEdit();
        edit->setText(m_setup.text(field));
    } else {
        edit = new QLineEdit(m_setup.text(field), row);
        rowLayout->addWidget(edit);
    }
    edit->setAccessibleName(label);
    edit->setPlaceholderText(hint);
    // The device box's own edit leaves room for the box's arrow.
    if (field != Field::SerialDevice)
        edit->setMinimumWidth(180);
    auto *reason = new QLabel(row);
    reason->setTextFormat(Qt::PlainText);
    reason->setStyleSheet(QString::fromLatin1(kReasonStyle));
    reason->setMinimumWidth(300);
    reason->setWordWrap(true);
    rowLayout->addWidget(reason, 1);
    auto *caption = new QLabel(label, this);
    caption->setBuddy(field == Field::SerialDevice ? static_cast<QWidget *>(cboSerialDevice) : edit);
    m_form->addRow(caption, row);

    m_edits[field] = edit;
    m_reasons[field] = reason;
    m_rows[field] = row;
    connect(edit, &QLineEdit::textChanged, this, [this, field](const QString &text) {
        m_setup.setText(field, text);
        refresh();
    });
}

void frmStationSetup::addBrowse(Field field, const QString &caption)
{
    auto *button = new QPushButton(QStringLiteral("Browse..."), m_rows.at(field));
    button->setAccessibleName(QStringLiteral("Choose the %1").arg(caption.toLower()));
    // Before the reason, right beside the field.
    static_cast<QHBoxLayout *>(m_rows.at(field)->layout())->insertWidget(1, button);
    m_browse[field] = button;
    connect(button, &QPushButton::clicked, this, [this, field, caption] {
        SourceLine start;
        start.file = m_setup.text(field).trimmed();
        const QString chosen = chooseFile(caption, start.file.isEmpty() ? m_setup.folder
                                                                        : start.replayPath(m_setup.folder));
        if (chosen.isEmpty())
            return;
        // A file in the profile's folder is named relative to it, as the
        // sources read it.
        const QString relative = QDir(m_setup.folder).relativeFilePath(chosen);
        m_edits.at(field)->setText(relative.startsWith(QLatin1String("..")) ? chosen : relative);
    });
}

void frmStationSetup::addSourceList(QFormLayout *form)
{
    auto *box = new QWidget(this);
    auto *boxLayout = new QHBoxLayout(box);
    boxLayout->setContentsMargins(0, 0, 0, 0);
    lstSources = new QListWidget(box);
    lstSources->setObjectName(QStringLiteral("lstSources"));
    lstSources->setAccessibleName(QStringLiteral("Station sources"));
    lstSources->setMaximumHeight(lstSources->fontMetrics().height() * 5);
    boxLayout->addWidget(lstSources, 1);
    auto *buttonsColumn = new QVBoxLayout;
    cmdAddSource = new QPushButton(QStringLiteral("Add source"), box);
    cmdAddSource->setObjectName(QStringLiteral("cmdAddSource"));
    cmdAddSource->setAccessibleName(cmdAddSource->text());
    cmdRemoveSource = new QPushButton(QStringLiteral("Remove source"), box);
    cmdRemoveSource->setObjectName(QStringLiteral("cmdRemoveSource"));
    cmdRemoveSource->setAccessibleName(cmdRemoveSource->text());
    buttonsColumn->addWidget(cmdAddSource);
    buttonsColumn->addWidget(cmdRemoveSource);
    buttonsColumn->addStretch();
    boxLayout->addLayout(buttonsColumn);
    auto *caption = new QLabel(QStringLiteral("Station sources"), this);
    caption->setBuddy(lstSources);
    form->addRow(caption, box);

    connect(lstSources, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || row == m_setup.editing)
            return;
        // Refused while the edited line has a fault: the list goes back to it.
        if (m_setup.editSource(row))
            showSource();
        else
            refresh();
    });
    connect(cmdAddSource, &QPushButton::clicked, this, [this] {
        if (m_setup.addSource())
            showSource();
    });
    connect(cmdRemoveSource, &QPushButton::clicked, this, [this] {
        if (m_setup.removeSource(m_setup.editing))
            showSource();
    });
}

void frmStationSetup::showSource()
{
    {
        const QSignalBlocker blockCombo(cboSource);
        // A line not understood stays choosable as written.
        const int asWritten = cboSource->findData(int(Source::Unknown));
        if (asWritten >= 0)
            cboSource->removeItem(asWritten);
        if (m_setup.source == Source::Unknown) {
            cboSource->insertItem(0, QStringLiteral("As written: %1").arg(m_setup.unknownSource.left(60)),
                                  int(Source::Unknown));
        }
        cboSource->setCurrentIndex(cboSource->findData(int(m_setup.source)));
    }
    for (Field field : HostSetup::kFields) {
        QLineEdit *edit = m_edits.at(field);
        if (edit->text() != m_setup.text(field)) {
            const QSignalBlocker blockEdit(edit);
            edit->setText(m_setup.text(field));
        }
    }
    refresh();
}

void frmStationSetup::refreshDevices()
{
    cboSerialDevice->refresh();
}

void frmStationSetup::refresh()
{
    lblSourceReason->setText(m_setup.sourceProblem());
    lblSourceReason->setVisible(!m_setup.sourceProblem().isEmpty());
    pgsSource->setCurrentIndex(m_pages.at(m_setup.source));
    for (Field field : HostSetup::kFields) {
        const QString problem = m_setup.problem(field);
        m_reasons.at(field)->setText(problem);
        m_edits.at(field)->setAccessibleDescription(problem);
        m_rows.at(field)->setEnabled(m_setup.fieldInUse(field));
    }
    // The list names every line, the edited one as its fields compose it.
    const QStringList lines = m_setup.lines();
    {
        const QSignalBlocker block(lstSources);
        while (lstSources->count() > lines.size())
            delete lstSources->takeItem(lstSources->count() - 1);
        for (int i = 0; i < lines.size(); ++i) {
            const QString problem = m_setup.lineProblem(i);
            const QString text = QStringLiteral("%1. %2%3").arg(i + 1).arg(lines[i],
                                                                      problem.isEmpty() ? QString() : QStringLiteral("  (") + problem + u')');
            if (i < lstSources->count())
                lstSources->item(i)->setText(text);
            else
                lstSources->addItem(text);
        }
        lstSources->setCurrentRow(m_setup.editing);
    }
    cmdAddSource->setEnabled(lines.size() < HostSettings::kMaxSources);
    cmdRemoveSource->setEnabled(lines.size() > 1);
    const QString typed = m_setup.callsign.trimmed().toUpper();
    lblCallsignNote->setVisible(!m_runningCallsign.isEmpty() && typed != m_runningCallsign);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(m_setup.valid());
}

void frmStationSetup::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    fitScreen();
}

void frmStationSetup::fitScreen()
{
    // The whole of it where it fits, else as much as the screen it opens on
    // takes, with OK always on the screen.
    const QScreen *where = parentWidget() ? parentWidget()->screen() : screen();
    if (!where)
        return;
    const QRect room = where->availableGeometry();
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize inside = m_scroll->widget()->sizeHint() + QSize(m_scroll->verticalScrollBar()->sizeHint().width(), 0);
    const QSize wanted = (sizeHint() - m_scroll->sizeHint() + inside).expandedTo(minimumSizeHint());
    resize(wanted.boundedTo(room.size() - frame));
    QRect placed = frameGeometry();
    placed.moveLeft(std::clamp(placed.left(), room.left(), std::max(room.left(), room.right() - placed.width() + 1)));
    placed.moveTop(std::clamp(placed.top(), room.top(), std::max(room.top(), room.bottom() - placed.height() + 1)));
    move(placed.topLeft());
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
    QString failure;
    if (!HostProfile::write(m_hostProfile, m_initial.toTexts(), m_setup.toTexts(), &failure)) {
        const QFileInfo info(m_hostProfile);
        const QString why = info.isDir() ? QStringLiteral("it is a folder, not a file") : failure;
        lblWriteError->setText(QStringLiteral("%1 could not be saved: %2.").arg(m_hostProfile, why));
        lblWriteError->show();
        return;
    }
    lblWriteError->hide();
    QDialog::accept();
}

} // namespace nearbell
