#pragma once

#include <QDialog>
#include <memory>

class RecordingLibrary;

namespace Ui {
class AuditWindow;
}

// The library's audit trail, newest first: who did what, when and where, with filters by
// recording, action and day; "Verify" walks the whole chain and every recording.
class AuditWindow : public QDialog
{
    Q_OBJECT

public:
    static constexpr int ShownEntries = 1000;

    // `recording` 0 shows every entry; else that recording's history.
    AuditWindow(RecordingLibrary *library, qint64 recording, QWidget *parent = nullptr);
    ~AuditWindow() override;

public slots:
    void reload();
    void on_verifyBtn_clicked();

private:
    std::unique_ptr<Ui::AuditWindow> ui;
    RecordingLibrary *m_library;
};
