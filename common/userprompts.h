#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QPrinter;
class QWidget;

// Every message box, question and file dialog of the program goes through here, so
// that tests can answer them instead of a person.
class UserPrompts
{
public:
    enum class Kind { Information, Question, SaveFile, Print, Password, Text, Signature };

    struct Prompt {
        Kind kind = Kind::Information;
        QString title;
        QString text; // the message, or the dialog's caption
        QString directory;
        QString filter;
        QPrinter *printer = nullptr; // the printer a print dialog sets up
        QStringList choices = {};    // a signature's meanings
    };
    struct Answer {
        bool accepted = true; // OK / Yes / a file was chosen
        QString fileName;
        QString text =
            {}; // the password, reason or name typed (a default, so two-field answers stay whole)
        int choice = 0; // the meaning chosen
    };
    using Handler = std::function<Answer(const Prompt &)>;

    // Modal box with one OK button. Raised while the calling thread holds a pause lock,
    // it is shown as soon as that thread lets go of the lock.
    static void information(QWidget *parent, const QString &title, const QString &text);
    // Yes/No question; true for Yes.
    static bool question(QWidget *parent, const QString &title, const QString &text);
    // Save-file dialog; empty when cancelled.
    static QString saveFileName(QWidget *parent, const QString &caption, const QString &directory,
                                const QString &filter);
    // A line for a password, shown as dots; empty when cancelled.
    static QString password(QWidget *parent, const QString &title, const QString &text);
    // A line of text (a reason); empty when cancelled or left empty.
    static QString text(QWidget *parent, const QString &title, const QString &label);
    // A signature: one of `meanings` and the signer's name; false when cancelled.
    static bool signature(QWidget *parent, const QStringList &meanings, int &meaning,
                          QString &name);
    // Print dialog that sets up the printer; true when the user chose to print.
    static bool print(QWidget *parent, QPrinter *printer);

    // Replaces the real dialogs (tests); an empty handler restores them.
    static void setHandler(Handler handler);
    static bool hasHandler();

private:
    static Answer ask(QWidget *parent, const Prompt &prompt);
};
