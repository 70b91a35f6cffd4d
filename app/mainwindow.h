#pragma once

#include "frameexchange.h"
#include "instrumentmodels.h"
#include "instrumentwire.h"
#include "linkexchange.h"

#include <QDialog>
#include <memory>

#ifdef Q_OS_WIN
struct tagMSG;
typedef tagMSG MSG;
#endif

class CLinker;
class DeviceMonitor;
class FirstPageFor415;
class FirstPageFor416;
class QTranslator;

class LibraryWindow;
class RecordingLibrary;

namespace Ui {
class MainWindow;
} // namespace Ui

// The program's one window: the page stack of the two instrument families, the link
// indicator and the language buttons. It owns the link to the instrument and is the
// exchange through which every frame passes.
class MainWindow : public QDialog, public FrameExchange
{
    Q_OBJECT

public:
    static constexpr quint16 VendorId = InstrumentWire::VendorId;
    static constexpr quint16 ProductId = InstrumentWire::ProductId;
    static constexpr int LoggerIndex = 0;
    static constexpr int MeterIndex = 1;

    static MainWindow *instance();
    // Releases the window at the end of the program (or of a test).
    static void destroyInstance();

    ~MainWindow() override;

    int SendData(QByteArray &frame, int timeout) override;
    int ReceiveData(QByteArray &buffer, int timeout, int length, bool checkCrc) override;
    bool IsLinkOpen() override;
    bool WaitForInput(int timeoutMs) override;
    void WakeInputWaiters() override;

    // Reads the production record and brings up the page of the instrument's family.
    void SwitchPageByModel();

    // Model codes of the data-logger family.
    static bool isLoggerModel(quint32 modelCode);

    CLinker *link() const { return m_exchange.link(); }
    // The family of the page last brought up; None before the first.
    InstrumentModels::Family family() const { return m_family; }
    int currentPageIndex() const;
    FirstPageFor415 *meterPage() const { return m_meterPage; }
    FirstPageFor416 *loggerPage() const { return m_loggerPage; }
    DeviceMonitor *deviceMonitor() const { return m_monitor; }
    // Where translation files are looked for, in order.
    static QStringList translationDirectories();
    // Forgets the language and size earlier windows kept: the next window starts as on the
    // program's first start.
    static void forgetKept();

public slots:
    void initForm();
    void initusbport();
    void on_btnLanguageEn_clicked();
    void on_btnLanguageZh_clicked();
    // Opens the library window (one, kept until the main window goes).
    void on_btnLibrary_clicked();
    void handleAppMessage(const QString &message);
    bool OpenUSB();
    void CloseUSB();
    // The system's device notices.
    void deviceArrived();
    void deviceRemoved();

#ifdef Q_OS_WIN
    // The window's native messages: arrival opens a link when there is none, removal
    // complete closes it when its instrument has gone. Always false: Windows goes on.
    bool winEvent(MSG *message, long *result);
#endif

protected:
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray &eventType, void *message, qintptr *result) override;
#endif

private:
    explicit MainWindow(QWidget *parent = nullptr);
    bool switchLanguage(const QString &name, bool chinese);
    // Puts the language in force everywhere; false (and nothing changed) when its file fails.
    bool useLanguage(bool chinese);
    // The user's choice, kept for the next start once it is in force.
    void chooseLanguage(bool chinese);
    void swapQtTranslator(bool chinese);
    void setIndicator(bool on);
    // What a device arrival and a completed removal mean for the link.
    void arrival();
    void removalComplete();

    std::unique_ptr<Ui::MainWindow> ui;
    FirstPageFor415 *m_meterPage = nullptr;
    FirstPageFor416 *m_loggerPage = nullptr;
    LinkExchange m_exchange; // its link is owned here; null while no instrument is open
    std::unique_ptr<RecordingLibrary> m_library; // every download is kept here
    LibraryWindow *m_libraryWindow = nullptr;    // a child, made when first asked for
    bool m_chinese = true;
    InstrumentModels::Family m_family = InstrumentModels::Family::None;
    bool m_permissionWarned = false;
    std::unique_ptr<QTranslator> m_translator;
    std::unique_ptr<QTranslator> m_qtTranslator; // Qt's own texts; none for English
    DeviceMonitor *m_monitor = nullptr;
};
