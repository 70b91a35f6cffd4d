#pragma once

#include "processwindow.h"

#include <QDialog>
#include <QList>
#include <QStringList>
#include <memory>

class RecordingLibrary;

namespace Ui {
class ProcessWindowDialog;
}

// Adds, edits and deletes the named process windows. OK keeps them all (ProcessWindowStore)
// or, when one cannot be used, says why and stays open with that one shown. Peak limits are
// typed in uW/cm², dose limits in uJ/cm², the units the Dose column and the trend use.
class ProcessWindowDialog : public QDialog
{
    Q_OBJECT

public:
    // Changes are entries of `trail`'s audit trail, when one is given.
    explicit ProcessWindowDialog(QWidget *parent = nullptr, RecordingLibrary *trail = nullptr);
    ~ProcessWindowDialog() override;

    // The windows as typed, in the list's order; an empty limit does not apply, one that is
    // not a number is NaN (which the store refuses with its message).
    QList<ProcessWindow> windows() const;

public slots:
    void accept() override;

private:
    struct Typed {
        QString name;
        QStringList limits; // min peak, max peak, min dose, max dose
    };
    void addWindow();
    void deleteWindow();
    void showRow(int row);
    void edited();

    std::unique_ptr<Ui::ProcessWindowDialog> ui;
    QList<Typed> m_rows;
    RecordingLibrary *m_trail;
};
