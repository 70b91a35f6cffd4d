#include "auditwindow.h"
#include "ui_auditwindow.h"

#include "recordinglibrary.h"
#include "station.h"

#include <QDate>
#include <QHeaderView>
#include <QProgressDialog>
#include <algorithm>

AuditWindow::AuditWindow(RecordingLibrary *library, qint64 recording, QWidget *parent,
                         int pageEntries)
    : QDialog(parent), ui(std::make_unique<Ui::AuditWindow>()), m_library(library),
      m_pageEntries(std::max(1, pageEntries))
{
    ui->setupUi(this);
    ui->actionCombo->addItem(tr("All actions"), QString());
    for (const QString &action : AuditEntry::actions())
        ui->actionCombo->addItem(AuditEntry::actionText(action), action);
    ui->recordingSpin->setValue(int(recording));
    ui->sinceEdit->setDate(QDate::currentDate().addMonths(-1));
    ui->entriesTable->horizontalHeader()->setStretchLastSection(true);
    if (recording > 0)
        setWindowTitle(tr("History of recording %1").arg(recording));
    connect(ui->actionCombo, &QComboBox::currentIndexChanged, this, &AuditWindow::reload);
    connect(ui->recordingSpin, &QSpinBox::valueChanged, this, &AuditWindow::reload);
    connect(ui->sinceCheck, &QCheckBox::toggled, this, &AuditWindow::reload);
    connect(ui->sinceEdit, &QDateEdit::dateChanged, this, &AuditWindow::reload);
    reload();
}

AuditWindow::~AuditWindow() = default;

void AuditWindow::reload()
{
    ui->sinceEdit->setEnabled(ui->sinceCheck->isChecked());
    ui->entriesTable->setRowCount(0);
    m_oldestShown = 0;
    addPage();
}

void AuditWindow::on_olderBtn_clicked()
{
    addPage();
}

void AuditWindow::addPage()
{
    AuditTrail::Filter filter;
    filter.recordingId = ui->recordingSpin->value();
    filter.action = ui->actionCombo->currentData().toString();
    if (ui->sinceCheck->isChecked())
        filter.since = ui->sinceEdit->date();
    filter.beforeSeq = m_oldestShown;
    // One more than a page says whether there are older ones.
    filter.limit = m_pageEntries + 1;
    QList<AuditEntry> entries = m_library ? m_library->trail(filter) : QList<AuditEntry>();
    const bool older = entries.size() > m_pageEntries;
    if (older)
        entries.removeFirst(); // oldest first: the one beyond the page
    const int first = ui->entriesTable->rowCount();
    ui->entriesTable->setRowCount(first + int(entries.size()));
    for (int i = 0; i < entries.size(); ++i) {
        // Newest first; the list came oldest first.
        const AuditEntry &e = entries.at(entries.size() - 1 - i);
        const int row = first + i;
        const QDateTime local = e.time().toOffsetFromUtc(e.utcOffsetSeconds);
        const QStringList cells{QString::number(e.seq),
                                local.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) +
                                    QLatin1Char(' ') + Station::offsetText(e.utcOffsetSeconds),
                                e.user,
                                e.station,
                                AuditEntry::actionText(e.action),
                                e.subject,
                                e.summary(),
                                e.program};
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells.at(c));
            item->setToolTip(c == cells.size() - 2 ? e.details : cells.at(c));
            ui->entriesTable->setItem(row, c, item);
        }
    }
    if (!entries.isEmpty())
        m_oldestShown = entries.first().seq;
    if (first == 0)
        ui->entriesTable->resizeColumnsToContents();
    const int shown = ui->entriesTable->rowCount();
    ui->olderBtn->setEnabled(older);
    ui->statusLab->setText(older ? tr("The newest %1 entries; there are older ones.").arg(shown)
                                 : tr("Entries: %1").arg(shown));
}

void AuditWindow::on_verifyBtn_clicked()
{
    if (!m_library)
        return;
    QProgressDialog progress(tr("Checking the audit trail and every recording..."), QString(), 0, 0,
                             this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const LibraryVerifier::Result result =
        m_library->verify({}, [&progress](qint64 done) { progress.setValue(int(done % 100)); });
    progress.reset();
    ui->statusLab->setText(result.ok()
                               ? tr("Unbroken: %1 entries, %2 recordings as stored. Head hash %3")
                                     .arg(result.entries)
                                     .arg(result.recordings)
                                     .arg(result.head)
                               : tr("BROKEN: %1").arg(result.problem));
}
