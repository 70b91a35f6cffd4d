#include "firstpagefor416.h"
#include "recordinglibrary.h"
#include "savetarget.h"
#include "ui_firstpagefor416.h"

#include "excelexport.h"
#include "frameexchange.h"
#include "instrumentprotocol.h"
#include "loggerdownload.h"
#include "loggermodels.h"
#include "productioninfo.h"
#include "reportpagefor416.h"
#include "tableopwidget.h"
#include "userprompts.h"
#include "uvpowercurvepagefor416.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QFile>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>

namespace {

constexpr int kLiveClockMs = 1000;
constexpr int kClockRestoreTickMs = 100;
std::atomic<int> g_clockHoldMs{FirstPageFor416::ClockHoldMs};

} // namespace

FirstPageFor416::FirstPageFor416(QWidget *parent)
    : FamilyPage(parent), intervalGroup(new QButtonGroup(this)),
      ui(std::make_unique<Ui::FirstPageFor416>()), liveClockTimer(new QTimer(this)),
      clockRestoreTimer(new QTimer(this))
{
    ui->setupUi(this);
    setForm(ui.get(), {40, 170, 120, 120, 120, 120, 120});

    intervalGroup->addButton(ui->OneSecondBtn, 0);
    intervalGroup->addButton(ui->TenSecondBtn, 1);
    intervalGroup->addButton(ui->SixtySecondBtn, 2);
    intervalGroup->setExclusive(true);

    ui->dateTimeEditForRead->hide();
    ui->clockDriftBox->hide();
    connect(ui->syncClockBtn, &QAbstractButton::clicked, this, &FirstPageFor416::syncClock);

    connect(ui->OffBtn, &QAbstractButton::clicked, this, &FirstPageFor416::SetShutdownEditStatus);
    connect(ui->OnBtn, &QAbstractButton::clicked, this, &FirstPageFor416::SetShutdownEditStatus);

    connect(liveClockTimer, &QTimer::timeout, this, &FirstPageFor416::timerUpdate);
    timerUpdate();
    liveClockTimer->start(kLiveClockMs);
    connect(clockRestoreTimer, &QTimer::timeout, this, &FirstPageFor416::setTimeEdit);
    busy = false;

    fitColumns();
}

FirstPageFor416::~FirstPageFor416() = default;

void FirstPageFor416::setClockHoldMs(int ms)
{
    g_clockHoldMs.store(ms);
}

void FirstPageFor416::setStallTimeoutMs(int ms)
{
    LoggerDownload::setStallTimeoutMs(ms);
}

// --- device information and setup ---

int FirstPageFor416::refreshDevice()
{
    // Only a download lets events in, and it talks to the instrument itself meanwhile.
    if (busy) {
        m_refreshPending = true;
        return -1;
    }
    const int result = readDeviceInfo();
    on_readhostconfiguretBtn_clicked();
    on_readDateTimeBtn_clicked();
    return result;
}

int FirstPageFor416::readDeviceInfo()
{
    if (!linkOpen())
        return -1;
    InstrumentProtocol *protocol = InstrumentProtocol::instance();
    ProductionInfo info;
    const int code = protocol->ReadProductionInfo(info);
    if (code != InstrumentProtocol::Ok) {
        tellFailure(code, TellUnconfigured);
        return -1;
    }
    showProduction(info);
    ui->DeviceNameEdit->setText(LoggerModels::name(modelCode));

    QDate calibrated;
    if (protocol->ReadCalibrationDate(calibrated) != InstrumentProtocol::Ok)
        return 1;
    showCalibration(calibrated);

    int version = 0;
    if (protocol->ReadFirmwareVersion(version) != InstrumentProtocol::Ok)
        return 1;
    showFirmware(version);
    return 1;
}

void FirstPageFor416::setIntervalButtons(bool enabled, const QString &style)
{
    for (QAbstractButton *button : intervalGroup->buttons()) {
        button->setEnabled(enabled);
        button->setStyleSheet(style);
    }
}

void FirstPageFor416::SetShutdownEditStatus()
{
    if (autoOffGroup->checkedId() == 0) {
        ui->ShutdownEdit->setText(QStringLiteral("10"));
        ui->ShutdownEdit->setEnabled(false);
        ui->ShutdownEdit->setStyleSheet(barredStyle());
        setIntervalButtons(true, whiteStyle());
    } else if (autoOffGroup->checkedId() == 1) {
        ui->ShutdownEdit->setEnabled(true);
        ui->ShutdownEdit->setStyleSheet(whiteStyle());
        setIntervalButtons(false, barredStyle());
    }
}

int FirstPageFor416::on_readhostconfiguretBtn_clicked()
{
    if (refuseAction())
        return -1;
    for (QAbstractButton *button : intervalGroup->buttons())
        button->setEnabled(true);

    int autoOff = 0, minutes = 0, interval = 0, spare = 0;
    const int code =
        InstrumentProtocol::instance()->ReadHostConfigure(autoOff, minutes, interval, spare);
    if (code == InstrumentProtocol::Ok) {
        if (autoOff == 0) {
            ui->OffBtn->setChecked(true);
            ui->ShutdownEdit->setEnabled(false);
            ui->ShutdownEdit->setStyleSheet(whiteStyle());
            for (QAbstractButton *button : intervalGroup->buttons())
                button->setStyleSheet(whiteStyle());
        } else if (autoOff == 1) {
            ui->OnBtn->setChecked(true);
            ui->ShutdownEdit->setEnabled(true);
            ui->ShutdownEdit->setStyleSheet(whiteStyle());
            setIntervalButtons(false, barredStyle());
        }
        ui->ShutdownEdit->setText(QString::number(minutes));
        if (QAbstractButton *button = intervalGroup->button(interval))
            button->setChecked(true);
    } else if (code == InstrumentProtocol::BadBlock) {
        // Never written: what a fresh logger does.
        ui->OnBtn->setChecked(true);
        ui->ShutdownEdit->setEnabled(true);
        ui->ShutdownEdit->setStyleSheet(whiteStyle());
        ui->ShutdownEdit->setText(QStringLiteral("3"));
        ui->OneSecondBtn->setChecked(true);
        setIntervalButtons(false, barredStyle());
    }
    return code;
}

void FirstPageFor416::on_writehostconfiguretBtn_clicked()
{
    if (refuseAction())
        return;
    if (!UserPrompts::question(this, tr("Solvane V2.1"),
                               tr("Resetting the parameter history data will be cleared.")))
        return;
    on_ClearBtn_clicked();

    const int autoOff = autoOffGroup->checkedId();
    bool isNumber = false;
    int minutes = ui->ShutdownEdit->text().toInt(&isNumber, 10);
    if (!isNumber)
        minutes = 0;
    const int interval = intervalGroup->checkedId();
    if (minutes < 1 || minutes > 10) {
        UserPrompts::information(this, tr("information"), tr("Shutdown must between 1—10!"));
        return;
    }
    if (InstrumentProtocol::instance()->WriteHostConfigure(autoOff, minutes, interval, 0) ==
        InstrumentProtocol::Ok)
        UserPrompts::information(this, tr("information"), tr("parameter configuration success!"));
    else
        UserPrompts::information(this, tr("information"), tr("parameter configuration Error!"));
}

// --- clock ---

void FirstPageFor416::timerUpdate()
{
    ui->dateTimeEdit->setDateTime(QDateTime::currentDateTime());
}

bool FirstPageFor416::event(QEvent *event)
{
    if (event->type() == QEvent::ShowToParent) {
        timerUpdate();
        liveClockTimer->start(kLiveClockMs);
    } else if (event->type() == QEvent::HideToParent) {
        liveClockTimer->stop();
    }
    return FamilyPage::event(event);
}

void FirstPageFor416::showClockLive()
{
    ui->dateTimeEditForRead->hide();
    ui->dateTimeEdit->show();
    ui->writeDateTimeBtn->setEnabled(true);
    ui->readDateTimeBtn->setEnabled(true);
}

void FirstPageFor416::on_readDateTimeBtn_clicked()
{
    if (refuseAction())
        return;
    ui->dateTimeEdit->hide();
    ui->dateTimeEditForRead->show();
    ui->writeDateTimeBtn->setEnabled(false);
    ui->readDateTimeBtn->setEnabled(false);

    QDateTime when;
    if (InstrumentProtocol::instance()->ReadDateTime(when) != InstrumentProtocol::Ok) {
        showClockLive();
        return;
    }
    showClockDrift(when, QDateTime::currentDateTime());
    ui->dateTimeEditForRead->setDateTime(when);
    clockReadWatch.start();
    clockRestoreTimer->start(kClockRestoreTickMs);
}

void FirstPageFor416::setTimeEdit()
{
    if (!clockReadWatch.isValid() || clockReadWatch.elapsed() < g_clockHoldMs.load())
        return;
    showClockLive();
    // Every later tick would only repeat this; a new read starts the timer again.
    clockRestoreTimer->stop();
}

void FirstPageFor416::on_writeDateTimeBtn_clicked()
{
    if (refuseAction())
        return;
    if (writeClock(ui->dateTimeEdit->dateTime()) == InstrumentProtocol::Ok)
        UserPrompts::information(this, tr("information"), tr("parameter date time success!"));
    else
        UserPrompts::information(this, tr("information"), tr("parameter date time error!"));
}

int FirstPageFor416::writeClock(const QDateTime &when)
{
    const int code = InstrumentProtocol::instance()->WriteDateTime(when);
    if (code == InstrumentProtocol::Ok)
        showClockDrift(when, QDateTime::currentDateTime());
    return code;
}

void FirstPageFor416::syncClock()
{
    if (refuseAction())
        return;
    // The PC's time, not the live edit's, which may be a tick behind or stopped while the page
    // was hidden.
    m_clockSyncFailed = writeClock(QDateTime::currentDateTime()) != InstrumentProtocol::Ok;
    if (m_clockSyncFailed) {
        showDriftLine();
        return;
    }
    // The logger's own answer confirms it, on the page like any read.
    on_readDateTimeBtn_clicked();
}

void FirstPageFor416::showClockDrift(const QDateTime &loggerTime, const QDateTime &computerTime)
{
    m_clockDrift = computerTime.secsTo(loggerTime);
    m_clockSyncFailed = false;
    showDriftLine();
}

void FirstPageFor416::showDriftLine()
{
    const bool off = m_clockDrift && qAbs(*m_clockDrift) > ClockDriftToleranceSeconds;
    if (!off && !m_clockSyncFailed) {
        ui->clockDriftBox->hide();
        return;
    }
    QString text;
    if (off) {
        const QString span = spanText(qAbs(*m_clockDrift));
        text = *m_clockDrift < 0
                   ? tr("The logger's clock is %1 behind this computer's.").arg(span)
                   : tr("The logger's clock is %1 ahead of this computer's.").arg(span);
    }
    if (m_clockSyncFailed && off)
        text += QLatin1Char(' ') + tr("Setting it failed; try again.");
    else if (m_clockSyncFailed)
        text = tr("The logger's clock could not be set; try again.");
    ui->clockDriftLab->setText(text);
    ui->clockDriftBox->show();
}

QString FirstPageFor416::spanText(qint64 seconds) const
{
    constexpr qint64 minute = 60, hour = 60 * minute, day = 24 * hour;
    if (seconds >= day)
        return tr("%1 d %2 h").arg(seconds / day).arg(seconds % day / hour);
    if (seconds >= hour)
        return tr("%1 h %2 min").arg(seconds / hour).arg(seconds % hour / minute);
    return tr("%1 min %2 s").arg(seconds / minute).arg(seconds % minute);
}

// --- page state ---

void FirstPageFor416::clear()
{
    clearDeviceFields();
    ui->ShutdownEdit->clear();
    m_clockDrift.reset();
    m_clockSyncFailed = false;
    showDriftLine();
    // The instrument went during a download: the download ends on its own, then the table goes.
    if (busy) {
        m_clearPending = true;
        return;
    }
    on_ClearBtn_clicked();
}

void FirstPageFor416::languageChange()
{
    retranslateKeeping([this] { ui->retranslateUi(this); }, {ui->ShutdownEdit});
    showDriftLine();
}

// --- record download ---

void FirstPageFor416::on_GetDataBtn_clicked()
{
    if (refuseWithoutLink() || refuseWhenBusy())
        return;
    on_ClearBtn_clicked();
    on_readhostconfiguretBtn_clicked();

    int count = 0;
    if (InstrumentProtocol::instance()->ReadPowerGroupCount(count) != InstrumentProtocol::Ok ||
        count < 1)
        return;
    qDebug("PowerGroupCount = %d\n", count);
    // The page has room for 25; the rest stay in the instrument.
    count = qMin(count, MaxGroups);
    for (int g = 0; g < MaxGroups; ++g) {
        groupRaw[g].clear();
        groupData[g].clear();
    }
    m_leftOut.clear();
    m_downloaded.clear();
    busy = true;

    startProgress(count * ProgressPerGroup);

    finishDownload(downloadGroups(count));
}

FirstPageFor416::DownloadEnd FirstPageFor416::downloadGroups(int count)
{
    LoggerDownload::Hooks hooks;
    hooks.progress = [this](qint64 received) {
        // Reaching the maximum would close the dialog before the download is over.
        progressDialog->setValue(
            static_cast<int>(qMin<qint64>(received, progressDialog->maximum() - 1)));
    };
    // Lets the progress dialog repaint; the busy flag keeps the page's actions out.
    hooks.idle = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    hooks.abandoned = [this] { return m_clearPending; };
    hooks.group = [this](const LoggerDownload::Group &group) { addGroupRow(group); };
    LoggerDownload download(hooks);
    const DownloadEnd end = download.run(count);
    m_leftOut = download.leftOut();
    return end;
}

void FirstPageFor416::finishDownload(DownloadEnd end)
{
    if (end == DownloadEnd::Done)
        progressDialog->setValue(progressDialog->maximum());
    progressDialog->reset();
    progressDialog->hide();
    // Every whole group is kept, also when the instrument went before the end.
    const QList<qint64> ids = keepInLibrary(m_downloaded);
    if (end != DownloadEnd::LinkLost && !m_clearPending)
        m_rowEntries = ids;
    busy = false;

    if (m_clearPending) {
        m_clearPending = false;
        on_ClearBtn_clicked();
    }
    if (m_refreshPending) {
        m_refreshPending = false;
        if (linkOpen())
            refreshDevice();
    }
    // After a lost link the table is gone anyway.
    if (!m_leftOut.isEmpty() && end != DownloadEnd::LinkLost) {
        QStringList numbers;
        for (int group : std::as_const(m_leftOut))
            numbers.append(QString::number(group + 1));
        UserPrompts::information(
            this, tr("warn"),
            numbers.size() == 1
                ? tr("Recording %1 could not be read without errors; it is left out.")
                      .arg(numbers.first())
                : tr("Recordings %1 could not be read without errors; they are left out.")
                      .arg(numbers.join(QStringLiteral(", "))));
    }
    if (end == DownloadEnd::Stalled)
        UserPrompts::information(this, tr("information"),
                                 tr("Getting data outtime,please get again."));
    else if (end == DownloadEnd::IntervalError)
        UserPrompts::information(this, tr("warn"), tr("Read Storage Interval Error!"));
}

void FirstPageFor416::addGroupRow(const LoggerDownload::Group &group)
{
    groupRaw[group.index] = group.raw;
    groupData[group.index] = group.data;
    const Recording entry = LoggerDownload::entry(group, newEntry(Recording::Family::Logger));
    m_downloaded.append(entry);

    m_rowGroups.append(group.index);
    TableOpWidget *ops = appendRow(entry.shown);
    connect(ops, &TableOpWidget::sigEXCEL, this, &FirstPageFor416::on_EXCELBtn_clicked);
    connect(ops, &TableOpWidget::sigCurve, this, &FirstPageFor416::on_CurveBtn_clicked);
    connect(ops, &TableOpWidget::sigReport, this, &FirstPageFor416::on_ReportBtn_clicked);
}

void FirstPageFor416::on_ClearBtn_clicked()
{
    if (refuseWhenBusy())
        return;
    clearRows();
    m_rowGroups.clear();
    m_rowEntries.clear();
    m_downloaded.clear();
    for (int g = 0; g < MaxGroups; ++g) {
        groupRaw[g].clear();
        groupData[g].clear();
    }
}

// --- row actions ---

int FirstPageFor416::groupOfRow(int row) const
{
    return row >= 0 && row < m_rowGroups.size() ? m_rowGroups.at(row) : -1;
}

QByteArray FirstPageFor416::groupAt(int row) const
{
    const int group = groupOfRow(row);
    return group >= 0 && group < MaxGroups ? groupData[group] : QByteArray();
}

QString FirstPageFor416::cellText(int row, int column) const
{
    const QTableWidgetItem *item = ui->tbData->item(row, column);
    return item ? item->text() : QString();
}

void FirstPageFor416::chooseRow(int row)
{
    selectedGroup = groupAt(row);
    selectedRecording = m_downloaded.value(row);
    selectedRecording.id = m_rowEntries.value(row);
}

void FirstPageFor416::on_CurveBtn_clicked(int row)
{
    if (refuseWhenBusy())
        return;
    chooseRow(row);
    qDebug("row = %d\n", row);
    on_UVPowerCurveBtn_clicked();
}

void FirstPageFor416::on_UVPowerCurveBtn_clicked()
{
    if (refuseWhenBusy())
        return;
    if (selectedGroup.isEmpty()) {
        UserPrompts::information(this, tr("information"), tr("please get data first!"));
        return;
    }
    auto *curve = new UVPowerCurvePageFor416(this); // kept, hidden on close, until the page goes
    curve->show();
    curve->raise();
    curve->activateWindow();
}

void FirstPageFor416::on_ReportBtn_clicked(int row)
{
    if (refuseWhenBusy())
        return;
    chooseRow(row);
    if (selectedGroup.isEmpty()) {
        UserPrompts::information(this, tr("information"), tr("please get data first!"));
        return;
    }
    reportValues.serialNo = ui->serialNoEdit->text();
    reportValues.deviceName = ui->DeviceNameEdit->text();
    reportValues.startTime = cellText(row, 1);
    reportValues.duration = cellText(row, 2) + QStringLiteral("S");
    reportValues.powerREC = cellText(row, 3);
    reportValues.powerMAX = cellText(row, 4);
    reportValues.powerMIN = cellText(row, 5);
    reportValues.powerAVG = cellText(row, 6);
    reportValues.isChinese = isChinese;
    reportValues.libraryEntry = m_rowEntries.value(row);
    reportValues.library = library();
    Recording samples;
    samples.setGroupData(selectedGroup);
    reportValues.sha256 = Recording::hashOf(samples.samples);
    // The report draws its picture anew; an old one must not stand in for it.
    const QString picture =
        QCoreApplication::applicationDirPath() + QStringLiteral("/PcustomPlot.png");
    if (QFile::exists(picture))
        QFile::remove(picture);
    auto *report = new ReportPageFor416(this); // kept, hidden on close, until the page goes
    report->show();
    report->raise();
    report->activateWindow();
}

void FirstPageFor416::on_EXCELBtn_clicked(int row)
{
    if (refuseWhenBusy())
        return;
    chooseRow(row);
    reportValues.startTime = LoggerFrames::compactTime(cellText(row, 1));
    reportValues.groupNo = QString::number(groupOfRow(row) + 1);
    on_SaveUVPowerBtn_clicked();
}

void FirstPageFor416::on_SaveUVPowerBtn_clicked()
{
    reportValues.isChinese = isChinese;
    const QString written = ExcelExport::run(this, busy, selectedRecording);
    if (!written.isEmpty() && selectedRecording.id > 0 && library())
        library()->recordFile(written,
                              SaveTarget::isCsvName(written) ? QStringLiteral("csv")
                                                             : QStringLiteral("xlsx"),
                              {selectedRecording.id});
}
