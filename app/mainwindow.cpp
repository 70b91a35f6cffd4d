#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "appstyle.h"
#include "clinkerusb.h"
#include "devicemonitor.h"
#include "firstpagefor415.h"
#include "firstpagefor416.h"
#include "instrumentprotocol.h"
#include "librarypassword.h"
#include "librarysettings.h"
#include "librarywindow.h"
#include "programsettings.h"
#include "recordinglibrary.h"
#include "sizestylesheet.h"
#include "userprompts.h"
#include "windowgeometry.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QTranslator>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on
#endif

namespace {
MainWindow *g_instance = nullptr;
const char *const kLanguageKey = "main/language";
const char *const kEnglish = "en";
const char *const kChinese = "zh";
const char *const kGeometryKey = "main";
} // namespace

MainWindow *MainWindow::instance()
{
    if (!g_instance)
        g_instance = new MainWindow; // released by destroyInstance()
    return g_instance;
}

void MainWindow::destroyInstance()
{
    delete g_instance;
    g_instance = nullptr;
}

MainWindow::MainWindow(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::MainWindow>()),
      m_exchange([this](LinkExchange::Trouble trouble) {
          UserPrompts::information(this, tr("information"),
                                   trouble == LinkExchange::Trouble::SendFailed
                                       ? tr("Send data Error！")
                                       : tr("Message format error！"));
      })
{
    AppStyle::initResources();
    FrameExchange::setCurrent(this);
    ui->setupUi(this);
    initForm();
    WindowGeometry::keep(this, QLatin1String(kGeometryKey));
    // The language last chosen; Chinese on the first start, and when English fails to load.
    const bool english =
        ProgramSettings().value(QLatin1String(kLanguageKey)).toString() == QLatin1String(kEnglish);
    if (!english || !useLanguage(false))
        useLanguage(true);
    initusbport();
}

MainWindow::~MainWindow()
{
    CloseUSB();
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
    if (g_instance == this)
        g_instance = nullptr;
}

void MainWindow::initForm()
{
    m_loggerPage = new FirstPageFor416(ui->stackedWidget);
    ui->stackedWidget->addWidget(m_loggerPage);
    m_meterPage = new FirstPageFor415(ui->stackedWidget);
    ui->stackedWidget->addWidget(m_meterPage);
    // Without a library the program works as before; both pages say why nothing is kept.
    m_library = std::make_unique<RecordingLibrary>();
    const QString location = LibrarySettings::location();
    bool opened = m_library->open(location);
    QString note;
    // A lab server that wants a password neither ~/.pgpass nor the keyring holds: asked once.
    if (!opened && m_library->passwordRefused()) {
        const QString password = UserPrompts::password(
            this, tr("Library password"),
            tr("The library at %1 wants a password:").arg(m_library->location().display()));
        if (!password.isEmpty() && m_library->open(location, password)) {
            opened = true;
            QString why;
            if (!LibraryPassword::write(m_library->location(), password, &why))
                note = tr("The password is kept nowhere (%1); to sign in without it next time, "
                          "put it in %2.")
                           .arg(why, LibraryPassword::passwordFile());
        }
    }
    for (FamilyPage *page :
         {static_cast<FamilyPage *>(m_loggerPage), static_cast<FamilyPage *>(m_meterPage)}) {
        page->setLibrary(m_library.get(), opened ? QString() : m_library->lastError());
        if (opened && !note.isEmpty())
            page->showLibraryNote(note);
    }
    ui->stackedWidget->setCurrentIndex(LoggerIndex);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setStyleSheet(SizeStyleSheet::build());
}

void MainWindow::initusbport()
{
    setIndicator(false);
    m_monitor = DeviceMonitor::create(this);
    connect(m_monitor, &DeviceMonitor::deviceArrived, this, &MainWindow::deviceArrived);
    connect(m_monitor, &DeviceMonitor::deviceRemoved, this, &MainWindow::deviceRemoved);
    OpenUSB();
}

void MainWindow::setIndicator(bool on)
{
    ui->LinkStatusLabel->setPixmap(
        QPixmap(on ? QStringLiteral(":/image/led_on.png") : QStringLiteral(":/image/led_off.png")));
}

int MainWindow::currentPageIndex() const
{
    return ui->stackedWidget->currentIndex();
}

bool MainWindow::isLoggerModel(quint32 modelCode)
{
    return InstrumentModels::familyOf(modelCode) == InstrumentModels::Family::Logger;
}

// --- exchange ---

bool MainWindow::IsLinkOpen()
{
    return m_exchange.IsLinkOpen();
}

bool MainWindow::WaitForInput(int timeoutMs)
{
    return m_exchange.WaitForInput(timeoutMs);
}

void MainWindow::WakeInputWaiters()
{
    m_exchange.WakeInputWaiters();
}

int MainWindow::SendData(QByteArray &frame, int timeout)
{
    return m_exchange.SendData(frame, timeout);
}

int MainWindow::ReceiveData(QByteArray &buffer, int timeout, int length, bool checkCrc)
{
    return m_exchange.ReceiveData(buffer, timeout, length, checkCrc);
}

// --- instrument arrival and removal ---

bool MainWindow::OpenUSB()
{
    if (link())
        return true;
    auto *link = new CLinkerUSB(this);
    if (link->Open(VendorId, ProductId) != 0) {
        const bool noPermission = link->lastOpenError() == HidBackend::OpenError::PermissionDenied;
        delete link;
        // Silence would leave the user guessing; one message per failing streak is enough.
        if (noPermission && !m_permissionWarned) {
            m_permissionWarned = true;
            UserPrompts::information(
                this, tr("Warn"),
                tr("The instrument is connected, but this user may not open it.\n"
                   "Install the udev rule of Solvane (70-solvane.rules, part of the package), "
                   "then unplug the instrument and plug it in again."));
        }
        return false;
    }
    m_permissionWarned = false;
    m_exchange.setLink(link);
    setIndicator(true);
    SwitchPageByModel();
    return true;
}

void MainWindow::CloseUSB()
{
    CLinker *link = m_exchange.link();
    if (!link)
        return;
    // The worker reads the link: it stops before the link goes, whatever family was last
    // recorded (a removal may come in the middle of the family detection).
    m_meterPage->closeThreadSlot();
    link->Close();
    m_exchange.setLink(nullptr);
    delete link;
    setIndicator(false);
    if (m_family == InstrumentModels::Family::Meter)
        m_meterPage->clear();
    else if (m_family == InstrumentModels::Family::Logger)
        m_loggerPage->clear();
}

void MainWindow::SwitchPageByModel()
{
    if (!IsLinkOpen())
        return;
    ProductionInfo info;
    const int code = InstrumentProtocol::instance()->ReadProductionInfo(info);
    // The family is recorded before anything that can show a box: a removal handled inside
    // the box's event loop must find out which page to clear.
    if (code == InstrumentProtocol::Ok && isLoggerModel(info.modelCode)) {
        m_family = InstrumentModels::Family::Logger;
        ui->stackedWidget->setCurrentIndex(LoggerIndex);
        m_loggerPage->refreshDevice();
    } else if (code == InstrumentProtocol::Ok) {
        m_family = InstrumentModels::Family::Meter;
        ui->stackedWidget->setCurrentIndex(MeterIndex);
        m_meterPage->openThreadSlot();
        m_meterPage->refreshDevice();
    } else if (code == InstrumentProtocol::NoProbe) {
        m_family = InstrumentModels::Family::Meter;
        UserPrompts::information(this, tr("Warn"), tr("No probe connection!"));
        // The instrument may have gone while the box was open; no worker for a closed link.
        if (!IsLinkOpen())
            return;
        ui->stackedWidget->setCurrentIndex(MeterIndex);
        m_meterPage->openThreadSlot();
    } else if (code == InstrumentProtocol::BadBlock) {
        UserPrompts::information(this, tr("Warn"),
                                 tr("The instrument is not configured production information!"));
    }
}

void MainWindow::deviceArrived()
{
    qDebug() << "收到事件 ";
    arrival();
}

void MainWindow::deviceRemoved()
{
    qDebug() << "收到事件 ";
    removalComplete();
}

void MainWindow::arrival()
{
    // A link whose instrument has gone without a removal notice must not block this one.
    if (link() && link()->IsRemoved())
        CloseUSB();
    if (link())
        return;
    OpenUSB();
    qDebug() << "USB_设备打开";
    qDebug() << "DBT_DEVICEARRIVAL";
}

void MainWindow::removalComplete()
{
    if (link() && link()->IsRemoved()) {
        CloseUSB();
        qDebug() << "USB_设备移除";
    }
    qDebug() << "DBT_DEVICEREMOVECOMPLETE";
}

#ifdef Q_OS_WIN
bool MainWindow::nativeEvent(const QByteArray &eventType, void *message, qintptr *result)
{
    if (eventType == "windows_generic_MSG") {
        long answer = 0;
        if (winEvent(static_cast<MSG *>(message), &answer)) {
            *result = answer;
            return true;
        }
    }
    return QDialog::nativeEvent(eventType, message, result);
}

bool MainWindow::winEvent(MSG *message, long *result)
{
    Q_UNUSED(result);
    if (!message || message->message != WM_DEVICECHANGE)
        return false;
    qDebug() << "收到事件 ";
    switch (message->wParam) {
    case DBT_DEVICEARRIVAL:
        arrival();
        break;
    case DBT_DEVICEREMOVECOMPLETE:
        removalComplete();
        break;
    case DBT_DEVICETYPESPECIFIC:
        qDebug() << "DBT_DEVICETYPESPECIFIC ";
        break;
    default:
        break;
    }
    return false;
}
#endif

// --- languages ---

QStringList MainWindow::translationDirectories()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    return {QDir::currentPath(), programDir,
            QDir::cleanPath(programDir + QStringLiteral("/../share/solvane/translations"))};
}

void MainWindow::swapQtTranslator(bool chinese)
{
    // Qt's own dialogs and standard buttons; where its catalogue is missing they stay English.
    std::unique_ptr<QTranslator> qt;
    if (chinese) {
        qt = std::make_unique<QTranslator>();
        if (!qt->load(QStringLiteral("qtbase_zh_CN"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            qt.reset();
    }
    if (m_qtTranslator)
        QCoreApplication::removeTranslator(m_qtTranslator.get());
    m_qtTranslator = std::move(qt);
    // Installed before ours, so that ours is searched first.
    if (m_qtTranslator)
        QCoreApplication::installTranslator(m_qtTranslator.get());
}

bool MainWindow::switchLanguage(const QString &name, bool chinese)
{
    // A fresh translator, so that a file that fails to load leaves the language in force.
    auto translator = std::make_unique<QTranslator>();
    bool loaded = false;
    for (const QString &dir : translationDirectories()) {
        if (translator->load(name, dir)) {
            loaded = true;
            break;
        }
    }
    if (!loaded)
        return false;
    swapQtTranslator(chinese);
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
    m_translator = std::move(translator);
    QCoreApplication::installTranslator(m_translator.get());
    m_loggerPage->isChinese = chinese;
    m_loggerPage->languageChange();
    m_meterPage->isChinese = chinese;
    m_meterPage->languageChange();
    qDebug() << m_loggerPage->isChinese;
    return true;
}

bool MainWindow::useLanguage(bool chinese)
{
    if (!switchLanguage(chinese ? QStringLiteral("Solvane_zh") : QStringLiteral("Solvane_en"),
                        chinese))
        return false;
    m_chinese = chinese;
    if (m_libraryWindow)
        m_libraryWindow->setChinese(chinese);
    return true;
}

void MainWindow::chooseLanguage(bool chinese)
{
    if (useLanguage(chinese))
        ProgramSettings().setValue(QLatin1String(kLanguageKey),
                                   QLatin1String(chinese ? kChinese : kEnglish));
}

void MainWindow::forgetKept()
{
    ProgramSettings().remove(QLatin1String(kLanguageKey));
    WindowGeometry::forget(QLatin1String(kGeometryKey));
}

void MainWindow::on_btnLanguageEn_clicked()
{
    chooseLanguage(false);
}

void MainWindow::on_btnLanguageZh_clicked()
{
    chooseLanguage(true);
}

void MainWindow::on_btnLibrary_clicked()
{
    if (!m_libraryWindow)
        m_libraryWindow = new LibraryWindow(m_library.get(), m_chinese, this);
    else
        m_libraryWindow->refresh();
    m_libraryWindow->show();
    m_libraryWindow->raise();
    m_libraryWindow->activateWindow();
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    // Escape would close the dialog, and with it the program.
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

void MainWindow::handleAppMessage(const QString &message)
{
    qDebug() << message;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}
