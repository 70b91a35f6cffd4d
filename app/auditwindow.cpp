#include "auditwindow.h"
#include "ui_auditwindow.h"

#include "recordinglibrary.h"
#include "station.h"

#include <QDate>
#include <QHeaderView>
#include <QProgressDialog>

AuditWindow::AuditWindow(RecordingLibrary *library, qint64 recording, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::AuditWindow>()), m_library(library)
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
    AuditTrail::Filter filter;
    filter.recordingId = ui->recordingSpin->value();
    filter.action = ui->actionCombo->currentData().toString();
    ui->sinceEdit->setEnabled(ui->sinceCheck->isChecked());
    if (ui->sinceCheck->isChecked())
        filter.since = ui->sinceEdit->date();
    filter.limit = ShownEntries;
    const QList<AuditEntry> entries = m_library ? m_library->trail(filter) : QList<AuditEntry>();
    ui->entriesTable->setRowCount(0);
    ui->entriesTable->setRowCount(int(entries.size()));
    for (int row = 0; row < entries.size(); ++row) {
        // Newest first; the list came oldest first.
        const AuditEntry &e = entries.at(entries.size() - 1 - row);
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
    ui->entriesTable->resizeColumnsToContents();
    ui->statusLab->setText(entries.size() >= ShownEntries
                               ? tr("The newest %1 entries").arg(ShownEntries)
                               : tr("Entries: %1").arg(entries.size()));
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
