#include "firstpagefor415.h"
#include "ui_firstpagefor415.h"

#include "instrumentprotocol.h"
#include "meterfetch.h"
#include "meterframes.h"
#include "metermodels.h"
#include "pauselocker.h"
#include "pollingworkercontrol.h"
#include "productioninfo.h"
#include "reportpagefor415.h"
#include "tableopwidget.h"
#include "userprompts.h"

#include <QButtonGroup>
#include <QDebug>
#include <QHeaderView>
#include <QProgressDialog>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>

namespace {

// A probe report is 10 bytes; this much of an unmatched tail may be the start of one.
constexpr int kKeptTail = 6;
constexpr int kEnergyColumn = 1;
// Amber: noticeable on the white sheet without looking like an error.
const QColor kFlaggedCell(255, 228, 160);

std::atomic<int> g_fetchTimeoutMs{FirstPageFor415::FetchTimeoutMs};

} // namespace

FirstPageFor415::FirstPageFor415(QWidget *parent)
    : FamilyPage(parent), energyDisplayGroup(new QButtonGroup(this)),
      filterGroup(new QButtonGroup(this)), unitGroup(new QButtonGroup(this)),
      ui(std::make_unique<Ui::FirstPageFor415>()), m_worker(new PollingWorkerControl(this)),
      progressTimer(new QTimer(this))
{
    ui->setupUi(this);
    setForm(ui.get(), {40, 170, 170, 170, 170, 170, 170});

    energyDisplayGroup->addButton(ui->EnergyDisNoBtn, 0);
    energyDisplayGroup->addButton(ui->EnergyDisYesBtn, 1);
    filterGroup->addButton(ui->OffRadioBtn, 0);
    filterGroup->addButton(ui->RadioBtn_50ZH, 1);
    filterGroup->addButton(ui->RadioBtn_60ZH, 2);
    unitGroup->addButton(ui->uwcmBtn, 0);
    unitGroup->addButton(ui->mwcmBtn, 1);
    unitGroup->addButton(ui->wcmBtn, 2);
    unitGroup->addButton(ui->wmBtn, 3);
    for (QButtonGroup *group : {energyDisplayGroup, filterGroup, unitGroup})
        group->setExclusive(true);

    // The setup boxes share a short row with the table below: keep their insides compact.
    for (QLayout *layout :
         {static_cast<QLayout *>(ui->gridLayout_4), static_cast<QLayout *>(ui->gridLayout_5),
          static_cast<QLayout *>(ui->gridLayout_7), static_cast<QLayout *>(ui->gridLayout_8),
          static_cast<QLayout *>(ui->gridLayout_2)}) {
        layout->setContentsMargins(6, 2, 6, 2);
        layout->setSpacing(2);
    }

    ui->tbData->verticalHeader()->setVisible(false);
    ui->energyCheckLab->hide();
    fitColumns();
    ui->tbData->horizontalHeader()->setStretchLastSection(true);

    progressTimer->setInterval(ProgressTickMs);
    connect(progressTimer, &QTimer::timeout, this, &FirstPageFor415::updateProgress);
    connect(m_worker, &PollingWorkerControl::senddata, this, &FirstPageFor415::SaveData);
}

FirstPageFor415::~FirstPageFor415()
{
    closeThreadSlot();
}

void FirstPageFor415::setFetchTimeoutMs(int ms)
{
    g_fetchTimeoutMs.store(ms);
}

// --- device information and setup ---

int FirstPageFor415::readDeviceInfo()
{
    if (!linkOpen())
        return -1;
    InstrumentProtocol *protocol = InstrumentProtocol::instance();
    PauseLocker lock(m_worker->pauseLock());

    ProductionInfo info;
    int code = protocol->ReadProductionInfo(info);
    if (code != InstrumentProtocol::Ok) {
        lock.unlock();
        tellFailure(code, TellNoProbe | TellUnconfigured);
        return -1;
    }
    showProduction(info);

    for (QAbstractButton *b : {static_cast<QAbstractButton *>(ui->OffRadioBtn),
                               static_cast<QAbstractButton *>(ui->RadioBtn_50ZH),
                               static_cast<QAbstractButton *>(ui->RadioBtn_60ZH)})
        b->setEnabled(true);
    for (QAbstractButton *b : unitGroup->buttons()) {
        b->setEnabled(true);
        b->setStyleSheet(whiteStyle());
    }
    ui->DeviceNameEdit->setText(MeterModels::name(modelCode));
    applyProfile();

    QDate calibrated;
    code = protocol->ReadCalibrationDate(calibrated);
    if (code != InstrumentProtocol::Ok) {
        lock.unlock();
        tellFailure(code);
        return -1;
    }
    showCalibration(calibrated);

    int version = 0;
    code = protocol->ReadFirmwareVersion(version);
    if (code != InstrumentProtocol::Ok) {
        lock.unlock();
        tellFailure(code);
        return -1;
    }
    showFirmware(version);
    return 1;
}

void FirstPageFor415::applyProfile()
{
    const MeterModels::Profile profile = MeterModels::profile(modelCode);
    if (profile == MeterModels::Profile::None)
        return;
    auto set = [](QAbstractButton *button, bool usable) {
        button->setEnabled(usable);
        if (usable)
            button->setCheckable(true);
        else
            button->setStyleSheet(barredStyle());
    };
    const bool filters = profile != MeterModels::Profile::A;
    for (QAbstractButton *b : filterGroup->buttons())
        set(b, filters);
    set(ui->uwcmBtn, profile == MeterModels::Profile::A);
    set(ui->mwcmBtn, true);
    set(ui->wcmBtn, profile == MeterModels::Profile::B);
    set(ui->wmBtn, true);
}

int FirstPageFor415::refreshDevice()
{
    if (readDeviceInfo() < 0)
        return -1;
    return on_readhostconfiguretBtn_clicked();
}

int FirstPageFor415::on_readhostconfiguretBtn_clicked()
{
    if (refuseAction())
        return -1;
    InstrumentProtocol *protocol = InstrumentProtocol::instance();
    PauseLocker lock(m_worker->pauseLock());

    int b[4] = {};
    int code = protocol->ReadHostConfigure(b[0], b[1], b[2], b[3]);
    if (code != InstrumentProtocol::Ok) {
        lock.unlock();
        tellFailure(code);
        if (code == InstrumentProtocol::BadBlock) {
            ui->OnBtn->setChecked(true);
            ui->EnergyDisNoBtn->setChecked(true);
        }
        return -1;
    }
    if (QAbstractButton *button = autoOffGroup->button(b[0]))
        button->setChecked(true);
    if (QAbstractButton *button = energyDisplayGroup->button(b[3]))
        button->setChecked(true);

    int c[4] = {};
    code = protocol->ReadMeasureConfigure(c[0], c[1], c[2], c[3]);
    if (code != InstrumentProtocol::Ok) {
        lock.unlock();
        tellFailure(code);
        if (code == InstrumentProtocol::BadBlock) {
            ui->OffRadioBtn->setChecked(true);
            ui->uwcmBtn->setChecked(true);
        }
        return -1;
    }
    if (QAbstractButton *button = filterGroup->button(c[2]))
        button->setChecked(true);
    if (QAbstractButton *button = unitGroup->button(c[3]))
        button->setChecked(true);
    return 1;
}

void FirstPageFor415::on_writehostconfiguretBtn_clicked()
{
    if (refuseAction())
        return;
    if (!UserPrompts::question(this, tr("Solvane V2.1"),
                               tr("Resetting the parameter history data will be cleared.")))
        return;

    InstrumentProtocol *protocol = InstrumentProtocol::instance();
    PauseLocker lock(m_worker->pauseLock());
    on_ClearBtn_clicked();
    auto failed = [&](int code) {
        lock.unlock();
        tellFailure(code);
        UserPrompts::information(this, tr("information"), tr("parameter configuration Error!"));
    };
    int code = protocol->WriteHostConfigure(autoOffGroup->checkedId(), 10, 0,
                                            energyDisplayGroup->checkedId());
    if (code != InstrumentProtocol::Ok) {
        failed(code);
        return;
    }
    code = protocol->WriteMeasureConfigure(0, 10, filterGroup->checkedId(), unitGroup->checkedId());
    if (code != InstrumentProtocol::Ok) {
        failed(code);
        return;
    }
    lock.unlock();
    UserPrompts::information(this, tr("information"), tr("parameter configuration success!"));
}

void FirstPageFor415::clear()
{
    clearDeviceFields();
    on_ClearBtn_clicked();
}

void FirstPageFor415::languageChange()
{
    retranslateKeeping([this] { ui->retranslateUi(this); });
    applyUnitHeaders(currentUnit);
    for (int row = 0; row < m_rowChecks.size(); ++row)
        markEnergy(row);
    showEnergySummary();
}

// --- measurements ---

void FirstPageFor415::on_GetDataBtn_clicked()
{
    if (refuseWithoutLink() || refuseWhenBusy())
        return;
    on_ClearBtn_clicked();
    if (readDeviceInfo() < 0)
        return;
    if (on_readhostconfiguretBtn_clicked() < 0)
        return;

    PauseLocker lock(m_worker->pauseLock());
    groupCount = 0;
    const int code = InstrumentProtocol::instance()->ReadPowerGroupCount(groupCount);
    if (code != InstrumentProtocol::Ok) {
        lock.unlock();
        groupCount = 0;
        tellFailure(code);
        return;
    }
    if (groupCount <= 0)
        return;
    qDebug("PowerGroupCount = %d\n", groupCount);
    if (groupCount > MaxGroups)
        groupCount = MaxGroups;
    receiveBuffer.clear();
    busy = true;
    lock.unlock(); // the worker collects the replies from here on

    if (!MeterFetch::sendRequests(groupCount)) {
        busy = false;
        return;
    }
    startProgress(groupCount * MeterFrames::GroupReplyLength);
    progressTimer->start(ProgressTickMs);
    fetchClock.restart();
}

void FirstPageFor415::updateProgress()
{
    if (m_inTick || !busy)
        return;
    m_inTick = true;
    if (g_fetchTimeoutMs.load() - fetchClock.elapsed() <= 0) {
        UserPrompts::information(this, tr("information"),
                                 tr("Getting data outtime,please get again."));
        endFetch();
        m_inTick = false;
        return;
    }
    const int expected = groupCount * MeterFrames::GroupReplyLength;
    progressDialog->setValue(static_cast<int>(qMin<qsizetype>(receiveBuffer.size(), expected)));
    if (receiveBuffer.size() < expected) {
        m_inTick = false;
        return;
    }
    {
        PauseLocker lock(m_worker->pauseLock());
        int record = 1;
        m_fetched.clear();
        for (const QByteArray &reply : MeterFrames::groupReplies(receiveBuffer))
            parseData(reply, record++);
        receiveBuffer.clear();
        busy = false;
        progressTimer->stop();
        progressDialog->setValue(expected);
        qDebug("readdata setVal =========OK============ %d\n",
               static_cast<int>(receiveBuffer.size()));
    }
    m_rowEntries = keepInLibrary(m_fetched);
    m_inTick = false;
}

void FirstPageFor415::endFetch()
{
    progressTimer->stop();
    // A fetch that ends without its replies leaves no "please wait" window behind.
    progressDialog->hide();
    PauseLocker lock(m_worker->pauseLock());
    receiveBuffer.clear();
    busy = false;
}

void FirstPageFor415::parseData(QByteArray baData, int DataNo)
{
    const int unit = unitGroup->checkedId();
    Recording entry;
    if (!MeterFetch::entry(baData, DataNo, unit, modelCode, newEntry(Recording::Family::Meter),
                           entry))
        return;
    if (unit >= 0 && unit <= 3) {
        applyUnitHeaders(unit);
        currentUnit = unit;
    } else {
        currentUnit = -1;
        reportValues.powerUnitHtml.clear();
        reportValues.energyUnitHtml.clear();
    }
    const int row = addDataRow(entry.shown);
    m_fetched.append(entry);
    m_rowHashes.append(entry.sha256);
    // By row: a row added otherwise has no check.
    m_rowChecks.resize(qMax<qsizetype>(m_rowChecks.size(), row + 1));
    m_rowChecks[row] = EnergyCheck::of(entry);
    markEnergy(row);
    showEnergySummary();
}

void FirstPageFor415::markEnergy(int row)
{
    const EnergyCheck check = m_rowChecks.value(row);
    QTableWidgetItem *item = ui->tbData->item(row, kEnergyColumn);
    if (!item || !check.flagged)
        return;
    item->setToolTip(check.note());
    item->setBackground(kFlaggedCell);
    // Seen also where the row is selected and its background gives way.
    item->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
}

void FirstPageFor415::showEnergySummary()
{
    const auto flagged = std::count_if(m_rowChecks.cbegin(), m_rowChecks.cend(),
                                       [](const EnergyCheck &check) { return check.flagged; });
    if (flagged == 0) {
        ui->energyCheckLab->hide();
        return;
    }
    const QString percent = QString::number(EnergyCheck::Tolerance * 100, 'g', 3);
    ui->energyCheckLab->setText(
        flagged == 1 ? tr("Energy check: 1 of %1 groups differs from AVG × duration by more "
                          "than %2 % (the marked Energy cell).")
                           .arg(ui->tbData->rowCount())
                           .arg(percent)
                     : tr("Energy check: %1 of %2 groups differ from AVG × duration by more "
                          "than %3 % (the marked Energy cells).")
                           .arg(flagged)
                           .arg(ui->tbData->rowCount())
                           .arg(percent));
    ui->energyCheckLab->show();
}

void FirstPageFor415::applyUnitHeaders(int unit)
{
    struct UnitTexts {
        const char *energy, *rt, *max, *min, *avg, *powerHtml, *energyHtml;
    };
    static const UnitTexts kUnits[] = {
        {QT_TR_NOOP("Energy uJ/cm²"), QT_TR_NOOP("Power(RT) uW/cm²"),
         QT_TR_NOOP("Power(MAX) uW/cm²"), QT_TR_NOOP("Power(MIN) uW/cm²"),
         QT_TR_NOOP("Power(AVG) uW/cm²"), "uW/cm<sup>2</sup>", "uJ/cm<sup>2</sup>"},
        {QT_TR_NOOP("Energy mJ/cm²"), QT_TR_NOOP("Power(RT) mW/cm²"),
         QT_TR_NOOP("Power(MAX) mW/cm²"), QT_TR_NOOP("Power(MIN) mW/cm²"),
         QT_TR_NOOP("Power(AVG) mW/cm²"), "mW/cm<sup>2</sup>", "mJ/cm<sup>2</sup>"},
        {QT_TR_NOOP("Energy J/cm²"), QT_TR_NOOP("Power(RT) W/cm²"), QT_TR_NOOP("Power(MAX) W/cm²"),
         QT_TR_NOOP("Power(MIN) W/cm²"), QT_TR_NOOP("Power(AVG) W/cm²"), "W/cm<sup>2</sup>",
         "J/cm<sup>2</sup>"},
        {QT_TR_NOOP("Energy J/m²"), QT_TR_NOOP("Power(RT) W/m²"), QT_TR_NOOP("Power(MAX) W/m²"),
         QT_TR_NOOP("Power(MIN) W/m²"), QT_TR_NOOP("Power(AVG) W/m²"), "W/m<sup>2</sup>",
         "J/m<sup>2</sup>"},
    };
    if (unit < 0 || unit > 3)
        return;
    const UnitTexts &u = kUnits[unit];
    const char *headers[] = {u.energy, nullptr, u.rt, u.max, u.min, u.avg};
    for (int i = 0; i < 6; ++i) {
        if (!headers[i])
            continue;
        const int column = i + 1;
        if (QTableWidgetItem *item = ui->tbData->horizontalHeaderItem(column))
            item->setText(tr(headers[i]));
    }
    reportValues.powerUnitHtml = QString::fromLatin1(u.powerHtml);
    reportValues.energyUnitHtml = QString::fromLatin1(u.energyHtml);
    fitColumns();
}

int FirstPageFor415::addDataRow(const QStringList &texts)
{
    TableOpWidget *ops = appendRow(texts);
    connect(ops, &TableOpWidget::sigReport, this, &FirstPageFor415::on_ReportBtn_clicked);
    ops->EXCELBtn->hide();
    ops->CurveBtn->hide();
    ops->ReportBtn->show();
    return ops->row;
}

void FirstPageFor415::on_ReportBtn_clicked(int row)
{
    if (refuseWhenBusy())
        return;
    auto text = [this, row](int column) {
        const QTableWidgetItem *item = ui->tbData->item(row, column);
        return item ? item->text() : QString();
    };
    reportValues.deviceName = ui->DeviceNameEdit->text();
    reportValues.serialNo = ui->serialNoEdit->text();
    reportValues.energy = text(1);
    reportValues.duration = text(2);
    reportValues.powerRT = text(3);
    reportValues.powerMAX = text(4);
    reportValues.powerMIN = text(5);
    reportValues.powerAVG = text(6);
    reportValues.isChinese = isChinese;
    reportValues.libraryEntry = m_rowEntries.value(row);
    reportValues.library = library();
    reportValues.sha256 = m_rowHashes.value(row);
    reportValues.recording = m_fetched.value(row);
    auto *report = new ReportPageFor415(this); // kept, hidden on close, until the page goes
    report->show();
    report->raise();
    report->activateWindow();
}

void FirstPageFor415::on_ClearBtn_clicked()
{
    if (refuseWhenBusy())
        return;
    reportValues.powerUnitHtml.clear();
    reportValues.energyUnitHtml.clear();
    clearRows();
    m_rowEntries.clear();
    m_rowHashes.clear();
    m_rowChecks.clear();
    showEnergySummary();
    m_fetched.clear();
}

void FirstPageFor415::SaveData(QByteArray baData)
{
    receiveBuffer.append(baData);
    // The rows are shown as soon as the last reply is in, not at the next tick.
    if (busy) {
        updateProgress();
        return;
    }
    const int state = MeterFrames::probeState(receiveBuffer);
    if (state == MeterFrames::ProbeIn) {
        receiveBuffer.clear();
        UserPrompts::information(this, tr("Warn"), tr("Probe connection!"));
        if (readDeviceInfo() == InstrumentProtocol::Ok)
            on_readhostconfiguretBtn_clicked();
        return;
    }
    if (state == MeterFrames::ProbeOut) {
        receiveBuffer.clear();
        UserPrompts::information(this, tr("Warn"), tr("No probe connection!"));
        clear();
        return;
    }
    // Nothing for us: only a tail that may begin a report is worth keeping.
    if (receiveBuffer.size() > kKeptTail)
        receiveBuffer = receiveBuffer.right(kKeptTail);
}

void FirstPageFor415::openThreadSlot()
{
    qDebug() << tr("openThreadSlot");
    m_worker->start();
    qDebug() << "mainWidget QThread::currentThreadId()==" << QThread::currentThreadId();
}

void FirstPageFor415::closeThreadSlot()
{
    qDebug() << tr("closeThreadSlot");
    m_worker->stop();
    // Without the worker the replies of a fetch cannot come any more (the instrument went):
    // the fetch ends now instead of at its time-out.
    if (busy)
        endFetch();
}
