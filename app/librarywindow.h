#pragma once

#include <QDialog>
#include <memory>

class LibraryModel;
class RecordingLibrary;
class Recording;

namespace Ui {
class LibraryWindow;
}

// Every recording and meter group in the library, of every instrument, newest first; usable
// with no instrument connected. Curve, Report and Excel act on the chosen entry with the
// same windows the pages open; Delete asks why and hides the entry, which "Show removed"
// lists and Restore brings back; History and Audit trail show what was done to them. Overlay draws
// the chosen recordings in one plot, Trend the peaks and doses of one instrument over time; every
// entry is checked against the process window chosen here (the Verdict column).
class LibraryWindow : public QDialog
{
    Q_OBJECT

public:
    LibraryWindow(RecordingLibrary *library, bool chinese, QWidget *parent = nullptr);
    ~LibraryWindow() override;

    LibraryModel *model() const { return m_model; }
    // Reads the instruments and entries anew (after a download, say).
    void refresh();
    void setChinese(bool chinese);

private slots:
    void applyFilter();
    void on_CurveBtn_clicked();
    void on_ReportBtn_clicked();
    void on_EXCELBtn_clicked();
    void on_DeleteBtn_clicked();
    void on_RestoreBtn_clicked();
    void on_HistoryBtn_clicked();
    void on_TrailBtn_clicked();
    void on_OverlayBtn_clicked();
    void on_WorkbookBtn_clicked();
    void on_TrendBtn_clicked();
    void on_processBtn_clicked();
    // The chosen process window to the model and the settings.
    void applyProcessWindow();

private:
    // The chosen entry read whole (with its samples); false with a message when none.
    bool chosen(Recording &entry);
    void updateButtons();
    // Removes or restores the chosen entry, with the reason the user gives.
    void changeRemoved(bool remove);
    // The trail, or one recording's history (`recording` > 0).
    void showAudit(qint64 recording);
    // The selected rows in the table's order.
    QList<const Recording *> selectedEntries() const;
    // "None" and the process windows kept, the chosen one current.
    void fillProcessCombo();
    void changeEvent(QEvent *event) override;

    std::unique_ptr<Ui::LibraryWindow> ui;
    RecordingLibrary *m_library;
    LibraryModel *m_model;
    bool m_chinese;
};
