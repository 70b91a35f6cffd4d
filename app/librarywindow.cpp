#include "librarywindow.h"
#include "ui_librarywindow.h"

#include "excelexport.h"
#include "librarymodel.h"
#include "loggerframes.h"
#include "loggerreportvalues.h"
#include "meterreportvalues.h"
#include "recordinglibrary.h"
#include "reportpagefor415.h"
#include "reportpagefor416.h"
#include "userprompts.h"
#include "uvpowercurvepagefor416.h"

#include <QDate>
#include <QEvent>
#include <QHeaderView>

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
    connect(ui->entriesView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &LibraryWindow::updateButtons);
    connect(m_model, &QAbstractItemModel::modelReset, this, &LibraryWindow::updateButtons);
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
    const QModelIndexList rows = ui->entriesView->selectionModel()->selectedRows();
    const Recording *entry = rows.isEmpty() ? nullptr : m_model->entry(rows.first().row());
    const bool logger = entry && entry->family == Recording::Family::Logger;
    ui->CurveBtn->setEnabled(logger);
    ui->EXCELBtn->setEnabled(logger);
    ui->ReportBtn->setEnabled(entry != nullptr);
    ui->DeleteBtn->setEnabled(entry != nullptr);
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
    showWindow(new UVPowerCurvePageFor416(entry.groupData(), this)); // kept until this goes
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
        showWindow(new ReportPageFor416(values, entry.groupData(), this));
        return;
    }
    MeterReportValues values;
    fillShared(entry, m_chinese, values);
    values.energy = entry.shown.value(1);
    values.duration = entry.shown.value(2);
    values.powerRT = entry.shown.value(3);
    values.library = m_library;
    meterUnits(entry.unit, values);
    showWindow(new ReportPageFor415(values, this));
}

void LibraryWindow::on_EXCELBtn_clicked()
{
    Recording entry;
    if (!chosen(entry) || entry.family != Recording::Family::Logger)
        return;
    ExcelExport::run(this, false, entry);
}

void LibraryWindow::on_DeleteBtn_clicked()
{
    const QModelIndexList rows = ui->entriesView->selectionModel()->selectedRows();
    const Recording *listed = rows.isEmpty() ? nullptr : m_model->entry(rows.first().row());
    if (!listed || !m_library)
        return;
    const qint64 id = listed->id;
    if (!UserPrompts::question(
            this, tr("Library"),
            tr("Delete entry %1 from the library? This cannot be undone.").arg(id)))
        return;
    if (!m_library->remove(id) && !m_library->lastError().isEmpty())
        UserPrompts::information(this, tr("information"), m_library->lastError());
    refresh();
}

void LibraryWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        refresh();
    }
    QDialog::changeEvent(event);
}
