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
// same windows the pages open; Delete asks first.
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

private:
    // The chosen entry read whole (with its samples); false with a message when none.
    bool chosen(Recording &entry);
    void updateButtons();
    void changeEvent(QEvent *event) override;

    std::unique_ptr<Ui::LibraryWindow> ui;
    RecordingLibrary *m_library;
    LibraryModel *m_model;
    bool m_chinese;
};
