#include "processwindowdialog.h"
#include "ui_processwindowdialog.h"

#include "processwindowstore.h"
#include "userprompts.h"

#include <QLocale>
#include <QPushButton>
#include <algorithm>
#include <limits>

namespace {

std::optional<double> parsed(const QString &text)
{
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return std::nullopt;
    bool ok = false;
    double value = QLocale().toDouble(typed, &ok);
    if (!ok)
        value = QLocale::c().toDouble(typed, &ok);
    return ok ? value : std::numeric_limits<double>::quiet_NaN();
}

QString shown(const std::optional<double> &bound)
{
    return bound ? QString::number(*bound, 'g', 15) : QString();
}

} // namespace

ProcessWindowDialog::ProcessWindowDialog(QWidget *parent, RecordingLibrary *trail)
    : QDialog(parent), ui(std::make_unique<Ui::ProcessWindowDialog>()), m_trail(trail)
{
    ui->setupUi(this);
    for (const ProcessWindow &w : ProcessWindowStore::all()) {
        m_rows.append(
            {w.name, {shown(w.minPeak), shown(w.maxPeak), shown(w.minDose), shown(w.maxDose)}});
        ui->windowsList->addItem(w.name);
    }
    connect(ui->addBtn, &QPushButton::clicked, this, &ProcessWindowDialog::addWindow);
    connect(ui->deleteBtn, &QPushButton::clicked, this, &ProcessWindowDialog::deleteWindow);
    connect(ui->windowsList, &QListWidget::currentRowChanged, this, &ProcessWindowDialog::showRow);
    for (QLineEdit *edit :
         {ui->nameEdit, ui->minPeakEdit, ui->maxPeakEdit, ui->minDoseEdit, ui->maxDoseEdit})
        connect(edit, &QLineEdit::textEdited, this, &ProcessWindowDialog::edited);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &ProcessWindowDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &ProcessWindowDialog::reject);
    ui->windowsList->setCurrentRow(m_rows.isEmpty() ? -1 : 0);
    showRow(ui->windowsList->currentRow());
}

ProcessWindowDialog::~ProcessWindowDialog() = default;

QList<ProcessWindow> ProcessWindowDialog::windows() const
{
    QList<ProcessWindow> windows;
    for (const Typed &row : m_rows) {
        ProcessWindow w;
        w.name = row.name.trimmed();
        w.minPeak = parsed(row.limits.value(0));
        w.maxPeak = parsed(row.limits.value(1));
        w.minDose = parsed(row.limits.value(2));
        w.maxDose = parsed(row.limits.value(3));
        windows << w;
    }
    return windows;
}

void ProcessWindowDialog::accept()
{
    const QList<ProcessWindow> typed = windows();
    QString error;
    if (ProcessWindowStore::save(typed, error, m_trail)) {
        QDialog::accept();
        return;
    }
    // The window at fault is shown, so the message can be acted on at once.
    for (int row = 0; row < typed.size(); ++row) {
        if (!typed[row].problem().isEmpty()) {
            ui->windowsList->setCurrentRow(row);
            break;
        }
    }
    UserPrompts::information(this, tr("Process windows"), error);
}

void ProcessWindowDialog::addWindow()
{
    QString name;
    for (int n = int(m_rows.size()) + 1;; ++n) {
        name = tr("Window %1").arg(n);
        if (std::none_of(m_rows.cbegin(), m_rows.cend(),
                         [&name](const Typed &row) { return row.name == name; }))
            break;
    }
    m_rows.append({name, {QString(), QString(), QString(), QString()}});
    ui->windowsList->addItem(name);
    ui->windowsList->setCurrentRow(int(m_rows.size()) - 1);
    ui->nameEdit->setFocus();
    ui->nameEdit->selectAll();
}

void ProcessWindowDialog::deleteWindow()
{
    const int row = ui->windowsList->currentRow();
    if (row < 0 || row >= m_rows.size())
        return;
    m_rows.removeAt(row);
    delete ui->windowsList->takeItem(row);
    showRow(ui->windowsList->currentRow());
}

void ProcessWindowDialog::showRow(int row)
{
    const bool valid = row >= 0 && row < m_rows.size();
    QLineEdit *const edits[] = {ui->minPeakEdit, ui->maxPeakEdit, ui->minDoseEdit, ui->maxDoseEdit};
    ui->nameEdit->setText(valid ? m_rows[row].name : QString());
    ui->nameEdit->setEnabled(valid);
    for (int i = 0; i < 4; ++i) {
        edits[i]->setText(valid ? m_rows[row].limits.value(i) : QString());
        edits[i]->setEnabled(valid);
    }
    ui->deleteBtn->setEnabled(valid);
}

void ProcessWindowDialog::edited()
{
    const int row = ui->windowsList->currentRow();
    if (row < 0 || row >= m_rows.size())
        return;
    Typed &typed = m_rows[row];
    typed.name = ui->nameEdit->text();
    typed.limits = {ui->minPeakEdit->text(), ui->maxPeakEdit->text(), ui->minDoseEdit->text(),
                    ui->maxDoseEdit->text()};
    ui->windowsList->item(row)->setText(typed.name);
}
