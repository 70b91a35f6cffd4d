#pragma once

#include <QDialog>
#include <memory>

class RecordingLibrary;

namespace Ui {
class AuditWindow;
}

// The library's audit trail, newest first: who did what, when and where, with filters by
// recording, action and day; "Verify" walks the whole chain and every recording. A trail
// grows without end, so it is read a page at a time: "Older entries" adds the next page.
class AuditWindow : public QDialog
{
    Q_OBJECT

public:
    static constexpr int PageEntries = 1000;

    // `recording` 0 shows every entry; else that recording's history.
    AuditWindow(RecordingLibrary *library, qint64 recording, QWidget *parent = nullptr,
                int pageEntries = PageEntries);
    ~AuditWindow() override;

public slots:
    void reload();
    void on_olderBtn_clicked();
    void on_verifyBtn_clicked();

private:
    void addPage();

    std::unique_ptr<Ui::AuditWindow> ui;
    RecordingLibrary *m_library;
    const int m_pageEntries;
    qint64 m_oldestShown = 0; // the last row's entry number; 0 while none is shown
};
