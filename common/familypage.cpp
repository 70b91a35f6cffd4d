#include "familypage.h"

#include "calibrationage.h"
#include "frameexchange.h"
#include "instrumentprotocol.h"
#include "productioninfo.h"
#include "recordinglibrary.h"
#include "tableopwidget.h"
#include "userprompts.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTableWidget>

namespace {

// The width of the sheet's header arrows (QHeaderView::down-arrow).
constexpr int kSortArrowRoom = 10;
constexpr int kDataColumns = 7;
// The row buttons sit in the column after the data.
constexpr int kButtonColumn = kDataColumns;

// pageTr() looks these up in the page's own context; here lupdate finds them for both pages.
[[maybe_unused]] const char *const kPageTexts[] = {
    QT_TRANSLATE_NOOP("FirstPageFor415", "information"),
    QT_TRANSLATE_NOOP("FirstPageFor415", "Getting data,please wait..."),
    QT_TRANSLATE_NOOP("FirstPageFor415", "warn"),
    QT_TRANSLATE_NOOP("FirstPageFor415", "please Connecting instrument!"),
    QT_TRANSLATE_NOOP("FirstPageFor415", "Warn"),
    QT_TRANSLATE_NOOP("FirstPageFor415", "No probe connection!"),
    QT_TRANSLATE_NOOP("FirstPageFor415",
                      "The instrument is not configured production information!"),
    QT_TRANSLATE_NOOP("FirstPageFor416", "information"),
    QT_TRANSLATE_NOOP("FirstPageFor416", "Getting data,please wait..."),
    QT_TRANSLATE_NOOP("FirstPageFor416", "warn"),
    QT_TRANSLATE_NOOP("FirstPageFor416", "please Connecting instrument!"),
    QT_TRANSLATE_NOOP("FirstPageFor416", "Warn"),
    QT_TRANSLATE_NOOP("FirstPageFor416",
                      "The instrument is not configured production information!"),
};

} // namespace

FamilyPage::FamilyPage(QWidget *parent)
    : QWidget(parent), autoOffGroup(new QButtonGroup(this)),
      progressDialog(std::make_unique<QProgressDialog>())
{
    progressDialog->setWindowModality(Qt::NonModal);
    // A new progress dialog shows itself after its minimum duration unless reset.
    progressDialog->reset();
    progressDialog->hide();
}

FamilyPage::~FamilyPage() = default;

void FamilyPage::addAutoOffButtons(QAbstractButton *off, QAbstractButton *on)
{
    autoOffGroup->addButton(off, 0);
    autoOffGroup->addButton(on, 1);
    autoOffGroup->setExclusive(true);
}

QString FamilyPage::deviceSummary() const
{
    return m_fields.serial ? m_fields.serial->text() : QString();
}

bool FamilyPage::linkOpen()
{
    FrameExchange *exchange = FrameExchange::current();
    return exchange && exchange->IsLinkOpen();
}

const QString &FamilyPage::barredStyle()
{
    static const QString style = QStringLiteral("background-color: rgb(200,200,200);");
    return style;
}

const QString &FamilyPage::whiteStyle()
{
    static const QString style = QStringLiteral("background-color: rgb(255,255,255);");
    return style;
}

QString FamilyPage::pageTr(const char *source) const
{
    // metaObject() is the page's own class, so this is the lookup its tr() makes.
    return QCoreApplication::translate(metaObject()->className(), source);
}

void FamilyPage::showBusy()
{
    UserPrompts::information(this, pageTr("information"), pageTr("Getting data,please wait..."));
}

bool FamilyPage::refuseWhenBusy()
{
    if (busy)
        showBusy();
    return busy;
}

bool FamilyPage::refuseWithoutLink()
{
    if (linkOpen())
        return false;
    UserPrompts::information(this, pageTr("warn"), pageTr("please Connecting instrument!"));
    return true;
}

bool FamilyPage::refuseAction()
{
    return refuseWhenBusy() || refuseWithoutLink();
}

void FamilyPage::tellFailure(int code, int told)
{
    if (code == InstrumentProtocol::NoProbe && (told & TellNoProbe))
        UserPrompts::information(this, pageTr("Warn"), pageTr("No probe connection!"));
    else if (code == InstrumentProtocol::BadBlock && (told & TellUnconfigured))
        UserPrompts::information(
            this, pageTr("Warn"),
            pageTr("The instrument is not configured production information!"));
}

void FamilyPage::showProduction(const ProductionInfo &info)
{
    m_fields.produced->setDate(info.productionDate);
    m_fields.serial->setText(QString::number(info.serialNumber));
    modelCode = info.modelCode;
}

void FamilyPage::showCalibration(const QDate &calibrated)
{
    m_fields.calibrated->setDate(calibrated);
    m_calibration = calibrated;
    showCalibrationNote();
}

void FamilyPage::takeCalibrationLine(QLabel *line)
{
    m_calibrationLine = line;
    m_calibrationLine->hide();
}

void FamilyPage::showCalibrationNote()
{
    const QString note = CalibrationAge::note(m_calibration);
    m_calibrationLine->setText(note);
    m_calibrationLine->setVisible(!note.isEmpty());
}

void FamilyPage::showFirmware(int version)
{
    m_fields.firmware->setText(QString::number(version / 10.0, 'f', 1));
}

void FamilyPage::clearDeviceFields()
{
    m_fields.name->clear();
    m_fields.serial->clear();
    m_fields.firmware->clear();
    m_fields.produced->setDate(QDate(2000, 1, 1));
    m_fields.calibrated->setDate(QDate(2000, 1, 1));
    m_calibration = QDate();
    showCalibrationNote();
}

void FamilyPage::retranslateKeeping(const std::function<void()> &retranslate,
                                    const QList<QLineEdit *> &kept)
{
    QList<QLineEdit *> lines{m_fields.name, m_fields.serial, m_fields.firmware};
    lines += kept;
    QStringList texts;
    for (const QLineEdit *line : std::as_const(lines))
        texts.append(line->text());
    const QDate produced = m_fields.produced->date();
    const QDate calibrated = m_fields.calibrated->date();
    retranslate();
    for (qsizetype i = 0; i < lines.size(); ++i)
        lines.at(i)->setText(texts.at(i));
    m_fields.produced->setDate(produced);
    m_fields.calibrated->setDate(calibrated);
    showCalibrationNote();
    QTableWidget *table = m_fields.table;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (auto *ops = qobject_cast<TableOpWidget *>(table->cellWidget(row, kButtonColumn)))
            ops->retranslateButtons();
    }
    fitColumns();
}

TableOpWidget *FamilyPage::appendRow(const QStringList &texts)
{
    QTableWidget *table = m_fields.table;
    const int row = table->rowCount();
    table->insertRow(row);
    for (int c = 0; c < kDataColumns; ++c) {
        auto *item = new QTableWidgetItem(texts.value(c));
        item->setTextAlignment(Qt::AlignCenter);
        table->setItem(row, c, item); // the table owns the item
    }
    auto *ops = new TableOpWidget(table);
    ops->row = row;
    table->setCellWidget(row, kButtonColumn, ops);
    return ops;
}

void FamilyPage::clearRows()
{
    while (m_fields.table->rowCount() > 0)
        m_fields.table->removeRow(0);
}

void FamilyPage::fitColumns()
{
    // Never narrower than its header, which would show only the middle of the text. The
    // style sheet keeps room for a sort arrow beside the label even where none is shown.
    QTableWidget *table = m_fields.table;
    const QHeaderView *header = table->horizontalHeader();
    for (int c = 0; c < kDataColumns; ++c)
        table->setColumnWidth(
            c, qMax(m_columnWidths.value(c), header->sectionSizeHint(c) + kSortArrowRoom));
}

void FamilyPage::startProgress(int maximum)
{
    progressDialog->setLabelText(pageTr("Getting data,please wait..."));
    progressDialog->setRange(0, maximum);
    progressDialog->setValue(0);
    progressDialog->show();
}

// --- library ---

void FamilyPage::setLibrary(RecordingLibrary *library, const QString &whyNot)
{
    m_library = library;
    m_libraryWhyNot = whyNot;
    showLibraryNote(whyNot.isEmpty() ? QString() : tr("No recording is kept: %1").arg(whyNot));
}

QString FamilyPage::libraryNote() const
{
    return m_libraryLine && !m_libraryLine->isHidden() ? m_libraryLine->text() : QString();
}

void FamilyPage::takeLibraryLine(QLabel *line)
{
    m_libraryLine = line;
    m_libraryLine->hide();
}

void FamilyPage::showLibraryNote(const QString &note)
{
    if (!m_libraryLine)
        return;
    m_libraryLine->setText(note);
    m_libraryLine->setVisible(!note.isEmpty());
}

Recording FamilyPage::newEntry(Recording::Family family) const
{
    Recording r;
    r.family = family;
    r.serial = m_fields.serial ? m_fields.serial->text() : QString();
    r.modelCode = modelCode;
    r.modelName = m_fields.name ? m_fields.name->text() : QString();
    r.firmware = m_fields.firmware ? m_fields.firmware->text() : QString();
    if (m_fields.produced)
        r.productionDate = m_fields.produced->date();
    if (m_fields.calibrated)
        r.calibrationDate = m_fields.calibrated->date();
    r.downloadedAt = QDateTime::currentDateTimeUtc();
    return r;
}

QList<qint64> FamilyPage::keepInLibrary(const QList<Recording> &entries)
{
    m_lastKept = Kept{true, 0, 0, {}};
    if (entries.isEmpty())
        return {};
    if (!m_library || !m_library->isOpen()) {
        const QString why = m_libraryWhyNot.isEmpty() ? tr("no library is open") : m_libraryWhyNot;
        m_lastKept = Kept{false, 0, 0, why};
        showLibraryNote(tr("No recording is kept: %1").arg(why));
        return QList<qint64>(entries.size(), 0);
    }
    const RecordingLibrary::StoreResult result = m_library->store(entries);
    if (!result.ok) {
        m_lastKept = Kept{false, 0, 0, result.error};
        showLibraryNote(tr("Not kept in the library: %1").arg(result.error));
        return QList<qint64>(entries.size(), 0);
    }
    m_lastKept = {true, result.added, result.already, {}};
    showLibraryNote({});
    return result.ids;
}
