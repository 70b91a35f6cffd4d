#pragma once

#include <QString>
#include <QStringList>

// The outcome of checking one recording against a process window.
class Verdict
{
public:
    enum class Outcome { None, Pass, Fail };

    Outcome outcome = Outcome::None; // None: no window was chosen
    QString window;                  // the window's name
    // The limits that failed, by key: "min_peak", "max_peak", "min_dose", "max_dose";
    // "peak_undefined" or "dose_undefined" where the window limits a value the recording has
    // no number for (a flagged dose counts as none); "unknown_unit" where a meter group's unit
    // cannot be compared.
    QStringList failed;

    bool isPass() const { return outcome == Outcome::Pass; }
    bool isFail() const { return outcome == Outcome::Fail; }
    // "pass", or "fail: " and the failed limits in words, translated; empty for None.
    QString text() const;
    // One failed limit in words.
    static QString limitText(const QString &key);
};
