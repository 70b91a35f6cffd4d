#include "librarywindow.h"
#include "ui_librarywindow.h"

#include "auditwindow.h"
#include "excelexport.h"
#include "exportfolder.h"
#include "librarymodel.h"
#include "loggerframes.h"
#include "loggerreportvalues.h"
#include "meterreportvalues.h"
#include "overlaywindow.h"
#include "processwindowdialog.h"
#include "processwindowstore.h"
#include "recordinglibrary.h"
#include "recordingworkbook.h"
#include "reportpagefor415.h"
#include "reportpagefor416.h"
#include "savetarget.h"
#include "trendwindow.h"
#include "userprompts.h"
#include "uvpowercurvepagefor416.h"
#include "windowgeometry.h"
#include <QDir>
#include <QProgressDialog>

#include <QDate>
#include <QEvent>
#include <QHeaderView>
#include <algorithm>

namespace {

// The HTML units of a meter group's report, by its power unit.
void meterUnits(const QString &unit, MeterReportValues &values)
{
    static const struct {
        const char *unit, *power, *energy;
    } kUnits[] = {{"uW/cm²", "uW/cm<sup>2</sup>", "uJ/cm<sup>2</sup>"},
                  {"mW/cm²", "mW/cm<sup>2</sup>", "mJ/cm<sup>2</sup>"},
                  {"W/cm²", "W/cm<sup>2</sup>", "J/cm<sup>2</sup>"},
                  {"W/m²", "W/m<sup>2</sup>", "J/m<sup>2</sup>"}};
    for (const auto &u : kUnits) {
        if (unit == QString::fromUtf8(u.unit)) {
            values.powerUnitHtml = QString::fromLatin1(u.power);
            values.energyUnitHtml = QString::fromLatin1(u.energy);
        }
    }
}

template <class Values> void fillShared(const Recording &r, bool chinese, Values &values)
{
    values.deviceName = r.modelName;
    values.serialNo = r.serial;
    values.powerMAX = r.shown.value(4);
    values.powerMIN = r.shown.value(5);
    values.powerAVG = r.shown.value(6);
    values.isChinese = chinese;
    values.libraryEntry = r.id;
    values.sha256 = r.sha256;
}

void showWindow(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

LibraryWindow::LibraryWindow(RecordingLibrary *library, bool chinese, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::LibraryWindow>()), m_library(library),
      m_model(new LibraryModel(library, this)), m_chinese(chinese)
{
    ui->setupUi(this);
    ui->entriesView->setModel(m_model);
    ui->entriesView->horizontalHeader()->setStretchLastSection(true);
    const QDate today = QDate::currentDate();
    ui->sinceEdit->setDate(today.addMonths(-1));
    ui->untilEdit->setDate(today);
    connect(ui->instrumentCombo, &QComboBox::currentIndexChanged, this,
            &LibraryWindow::applyFilter);
    connect(ui->dateCheck, &QCheckBox::toggled, this, &LibraryWindow::applyFilter);
    connect(ui->sinceEdit, &QDateEdit::dateChanged, this, &LibraryWindow::applyFilter);
    connect(ui->untilEdit, &QDateEdit::dateChanged, this, &LibraryWindow::applyFilter);
    connect(ui->searchEdit, &QLineEdit::textChanged, this, &LibraryWindow::applyFilter);
    connect(ui->removedCheck, &QCheckBox::toggled, this, &LibraryWindow::applyFilter);
    connect(ui->entriesView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LibraryWindow::updateButtons);
    connect(m_model, &QAbstractItemModel::modelReset, this, &LibraryWindow::updateButtons);
    connect(ui->processCombo, &QComboBox::currentIndexChanged, this,
            &LibraryWindow::applyProcessWindow);
    WindowGeometry::keep(this, QStringLiteral("library"));
    fillProcessCombo();
    refresh();
}

LibraryWindow::~LibraryWindow() = default;

void LibraryWindow::setChinese(bool chinese)
{
    m_chinese = chinese;
}

void LibraryWindow::refresh()
{
    const QString current = ui->instrumentCombo->currentData().toString();
    {
        const QSignalBlocker quiet(ui->instrumentCombo);
        ui->instrumentCombo->clear();
        ui->instrumentCombo->addItem(tr("All instruments"), QString());
        if (m_library)
            for (const QString &serial : m_library->serials())
                ui->instrumentCombo->addItem(serial, serial);
        ui->instrumentCombo->setCurrentIndex(std::max(0, ui->instrumentCombo->findData(current)));
    }
    applyFilter();
}

void LibraryWindow::applyFilter()
{
    RecordingLibrary::Filter filter;
    filter.serial = ui->instrumentCombo->currentData().toString();
    ui->sinceEdit->setEnabled(ui->dateCheck->isChecked());
    ui->untilEdit->setEnabled(ui->dateCheck->isChecked());
    if (ui->dateCheck->isChecked()) {
        filter.since = ui->sinceEdit->date();
        filter.until = ui->untilEdit->date();
    }
    filter.text = ui->searchEdit->text();
    if (ui->removedCheck->isChecked())
        filter.removed = RecordingLibrary::Filter::Removed::Only;
    m_model->setFilter(filter);
    // Sized to the first page: later pages do not move the columns under the reader.
    ui->entriesView->resizeColumnsToContents();
    // Room for the header's text beside the sort arrow that the style sheet draws.
    QHeaderView *header = ui->entriesView->horizontalHeader();
    for (int c = 0; c < m_model->columnCount(); ++c)
        header->resizeSection(c, std::max(header->sectionSize(c), header->sectionSizeHint(c)) + 24);
    if (!m_library || !m_library->isOpen())
        ui->statusLab->setText(tr("No library is open."));
    else
        ui->statusLab->setText(tr("Entries: %1").arg(m_model->total()));
}

void LibraryWindow::updateButtons()
{
    const QList<const Recording *> entries = selectedEntries();
    // Curve, Report, Excel and Delete act on one entry.
    const Recording *entry = entries.size() == 1 ? entries.first() : nullptr;
    const bool logger = entry && entry->family == Recording::Family::Logger;
    ui->CurveBtn->setEnabled(logger);
    ui->ReportBtn->setEnabled(entry != nullptr);
    // The removed are listed only to be looked at and restored.
    const bool removed = ui->removedCheck->isChecked();
    ui->DeleteBtn->setEnabled(entry != nullptr && !removed);
    ui->RestoreBtn->setEnabled(entry != nullptr && removed);
    ui->RestoreBtn->setVisible(removed);
    ui->HistoryBtn->setEnabled(entry != nullptr);
    ui->TrailBtn->setEnabled(m_library && m_library->isOpen());
    ui->OverlayBtn->setEnabled(
        !removed && std::any_of(entries.cbegin(), entries.cend(),
                                [](auto *e) { return e->family == Recording::Family::Logger; }));
    ui->EXCELBtn->setEnabled(logger && !removed);
    ui->WorkbookBtn->setEnabled(!entries.isEmpty() && !removed);
    ui->TrendBtn->setEnabled(!entries.isEmpty() ||
                             !ui->instrumentCombo->currentData().toString().isEmpty());
}

QList<const Recording *> LibraryWindow::selectedEntries() const
{
    QList<int> rows;
    for (const QModelIndex &index : ui->entriesView->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    QList<const Recording *> entries;
    for (int row : rows) {
        if (const Recording *entry = m_model->entry(row))
            entries << entry;
    }
    return entries;
}

bool LibraryWindow::chosen(Recording &entry)
{
    const QModelIndexList rows = ui->entriesView->selectionModel()->selectedRows();
    const Recording *listed = rows.isEmpty() ? nullptr : m_model->entry(rows.first().row());
    if (!listed) {
        UserPrompts::information(this, tr("information"), tr("Choose an entry first."));
        return false;
    }
    if (!m_library || !m_library->get(listed->id, entry)) {
        UserPrompts::information(
            this, tr("information"),
            tr("The entry cannot be read: %1").arg(m_library ? m_library->lastError() : QString()));
        return false;
    }
    return true;
}

void LibraryWindow::on_CurveBtn_clicked()
{
    Recording entry;
    if (!chosen(entry) || entry.family != Recording::Family::Logger)
        return;
    showWindow(new UVPowerCurvePageFor416(entry, this)); // kept until this goes
}

void LibraryWindow::on_ReportBtn_clicked()
{
    Recording entry;
    if (!chosen(entry))
        return;
    if (entry.family == Recording::Family::Logger) {
        LoggerReportValues values;
        fillShared(entry, m_chinese, values);
        values.startTime = entry.shown.value(1);
        values.duration = entry.shown.value(2) + QStringLiteral("S");
        values.powerREC = entry.shown.value(3);
        values.library = m_library;
        showWindow(new ReportPageFor416(values, entry, this));
        return;
    }
    MeterReportValues values;
    fillShared(entry, m_chinese, values);
    values.energy = entry.shown.value(1);
    values.duration = entry.shown.value(2);
    values.powerRT = entry.shown.value(3);
    values.library = m_library;
    meterUnits(entry.unit, values);
    showWindow(new ReportPageFor415(values, entry, this));
}

void LibraryWindow::on_EXCELBtn_clicked()
{
    Recording entry;
    if (!chosen(entry) || entry.family != Recording::Family::Logger)
        return;
    const QString written = ExcelExport::run(this, false, entry);
    if (!written.isEmpty() &&
        !m_library->recordFile(written,
                               SaveTarget::isCsvName(written) ? QStringLiteral("csv")
                                                              : QStringLiteral("xlsx"),
                               {entry.id}))
        ui->statusLab->setText(m_library->lastError());
}

void LibraryWindow::on_DeleteBtn_clicked()
{
    changeRemoved(true);
}

void LibraryWindow::on_RestoreBtn_clicked()
{
    changeRemoved(false);
}

void LibraryWindow::changeRemoved(bool remove)
{
    const QModelIndexList rows = ui->entriesView->selectionModel()->selectedRows();
    const Recording *listed = rows.isEmpty() ? nullptr : m_model->entry(rows.first().row());
    if (!listed || !m_library)
        return;
    const qint64 id = listed->id;
    // The trail keeps why; without a reason nothing changes.
    const QString reason =
        remove ? UserPrompts::text(this, tr("Library"),
                                   tr("Why is entry %1 removed? It is kept in the library and "
                                      "its audit trail, and can be restored.")
                                       .arg(id))
               : UserPrompts::text(this, tr("Library"), tr("Why is entry %1 restored?").arg(id));
    if (reason.isEmpty())
        return;
    const bool done = remove ? m_library->remove(id, reason) : m_library->restore(id, reason);
    if (!done && !m_library->lastError().isEmpty())
        UserPrompts::information(this, tr("information"), m_library->lastError());
    refresh();
}

void LibraryWindow::on_HistoryBtn_clicked()
{
    const QList<const Recording *> entries = selectedEntries();
    if (entries.isEmpty())
        return;
    showAudit(entries.first()->id);
}

void LibraryWindow::on_TrailBtn_clicked()
{
    showAudit(0);
}

void LibraryWindow::showAudit(qint64 recording)
{
    auto *window = new AuditWindow(m_library, recording, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    WindowGeometry::keep(window, QStringLiteral("audit"));
    showWindow(window);
}

void LibraryWindow::on_OverlayBtn_clicked()
{
    QList<Recording> entries;
    for (const Recording *listed : selectedEntries()) {
        Recording entry = *listed; // a meter group as listed: the overlay leaves it out
        if (listed->family == Recording::Family::Logger &&
            (!m_library || !m_library->get(listed->id, entry))) {
            UserPrompts::information(this, tr("information"),
                                     tr("The entry cannot be read: %1")
                                         .arg(m_library ? m_library->lastError() : QString()));
            return;
        }
        entries << entry;
    }
    if (std::none_of(entries.cbegin(), entries.cend(),
                     [](const Recording &e) { return e.family == Recording::Family::Logger; })) {
        ui->statusLab->setText(tr("Meter groups have no curve: choose logger recordings."));
        return;
    }
    auto *overlay = new OverlayWindow(entries, this);
    overlay->setAttribute(Qt::WA_DeleteOnClose);
    WindowGeometry::keep(overlay, QStringLiteral("overlay"));
    showWindow(overlay);
}

void LibraryWindow::on_WorkbookBtn_clicked()
{
    QList<Recording> entries;
    for (const Recording *listed : selectedEntries()) {
        Recording entry;
        if (!m_library || !m_library->get(listed->id, entry)) {
            UserPrompts::information(this, tr("information"),
                                     tr("The entry cannot be read: %1")
                                         .arg(m_library ? m_library->lastError() : QString()));
            return;
        }
        entries << entry;
    }
    if (entries.isEmpty())
        return;
    // The page's workbook choice: the suffix, the question before replacing, the lock files.
    const QString fileName =
        SaveTarget::ask(this, tr("Save the chosen entries"),
                        ExportFolder::proposed(QStringLiteral("recordings.xlsx")),
                        tr("Excel workbook (*.xlsx)"), false);
    if (fileName.isEmpty())
        return;
    if (!SaveTarget::replaceable(fileName)) {
        UserPrompts::information(
            this, tr("information"),
            QCoreApplication::translate("FirstPageFor416",
                                        "Can't overwrite this file, maybe the file is in use!"));
        return;
    }

    QProgressDialog progress(tr("Writing the workbook..."), tr("Cancel"), 0, 1000, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    RecordingWorkbook workbook;
    workbook.progress = [&progress](qint64 done, qint64 total) {
        progress.setValue(total > 0 ? int(done * 1000 / total) : 0);
    };
    workbook.abandoned = [&progress] { return progress.wasCanceled(); };
    const std::optional<ProcessWindow> &window = m_model->processWindow();
    QString error;
    const bool written = workbook.write(fileName, entries, window ? &*window : nullptr, &error);
    progress.reset();
    if (!written) {
        if (!progress.wasCanceled())
            UserPrompts::information(this, tr("information"), error);
        return;
    }
    ExportFolder::remember(fileName);
    QList<qint64> ids;
    for (const Recording &entry : std::as_const(entries))
        ids << entry.id;
    QString status =
        tr("%1 entries saved to %2").arg(entries.size()).arg(QDir::toNativeSeparators(fileName));
    if (!m_library->recordFile(fileName, QStringLiteral("xlsx"), ids))
        status += QLatin1Char(' ') + m_library->lastError();
    ui->statusLab->setText(status);
}

void LibraryWindow::on_TrendBtn_clicked()
{
    QString serial = ui->instrumentCombo->currentData().toString();
    if (serial.isEmpty()) {
        const QList<const Recording *> entries = selectedEntries();
        serial = entries.isEmpty() ? QString() : entries.first()->serial;
    }
    if (serial.isEmpty()) {
        UserPrompts::information(this, tr("information"),
                                 tr("Choose an instrument or an entry first."));
        return;
    }
    auto *trend = new TrendWindow(m_library, serial, m_model->processWindow(), this);
    trend->setAttribute(Qt::WA_DeleteOnClose);
    WindowGeometry::keep(trend, QStringLiteral("trend"));
    showWindow(trend);
}

void LibraryWindow::on_processBtn_clicked()
{
    auto *dialog = new ProcessWindowDialog(this, m_library);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, &LibraryWindow::fillProcessCombo);
    dialog->open();
}

void LibraryWindow::fillProcessCombo()
{
    {
        const QSignalBlocker quiet(ui->processCombo);
        ui->processCombo->clear();
        ui->processCombo->addItem(tr("None"), QString());
        for (const ProcessWindow &window : ProcessWindowStore::all())
            ui->processCombo->addItem(window.name, window.name);
        const QString chosen = ProcessWindowStore::chosenName();
        ui->processCombo->setCurrentIndex(
            chosen.isEmpty() ? 0 : std::max(0, ui->processCombo->findData(chosen)));
    }
    // The limits of the chosen window may have been edited.
    applyProcessWindow();
}

void LibraryWindow::applyProcessWindow()
{
    const QString name = ui->processCombo->currentData().toString();
    if (name != ProcessWindowStore::chosenName())
        ProcessWindowStore::setChosenName(name);
    ProcessWindow window;
    m_model->setProcessWindow(!name.isEmpty() && ProcessWindowStore::find(name, window)
                                  ? std::optional<ProcessWindow>(window)
                                  : std::nullopt);
}

void LibraryWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        fillProcessCombo();
        refresh();
    }
    QDialog::changeEvent(event);
}
