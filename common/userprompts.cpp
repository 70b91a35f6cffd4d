#include "userprompts.h"
#include "pauselock.h"
#include "signaturedialog.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMutex>
#include <QPointer>
#include <QPrintDialog>
#include <QThreadStorage>
#include <QWidget>
#include <vector>

namespace {

QMutex g_handlerMutex;
UserPrompts::Handler g_handler;

UserPrompts::Handler currentHandler()
{
    QMutexLocker locker(&g_handlerMutex);
    return g_handler;
}

// Messages raised while this thread holds a pause lock: a box's event loop there could
// handle a removal that waits for the worker, which waits for the lock.
struct Deferred {
    QPointer<QWidget> parent;
    bool hadParent = false;
    UserPrompts::Prompt prompt;
};
// Qt's per-thread storage, not thread_local: with mingw-w64, a thread_local that has a
// destructor corrupts the heap when a thread not made by its pthreads (a QThread) ends.
QThreadStorage<std::vector<Deferred>> g_deferred;

void showDeferred()
{
    // The hook runs wherever a pause lock is let go; only a thread that deferred has a list.
    while (g_deferred.hasLocalData() && !g_deferred.localData().empty() &&
           !PauseLock::heldByCurrentThread()) {
        std::vector<Deferred> batch;
        batch.swap(g_deferred.localData());
        for (const Deferred &d : batch) {
            if (d.hadParent && !d.parent)
                continue; // its window is gone
            UserPrompts::information(d.parent, d.prompt.title, d.prompt.text);
        }
    }
}

} // namespace

void UserPrompts::setHandler(Handler handler)
{
    QMutexLocker locker(&g_handlerMutex);
    g_handler = std::move(handler);
}

bool UserPrompts::hasHandler()
{
    QMutexLocker locker(&g_handlerMutex);
    return static_cast<bool>(g_handler);
}

UserPrompts::Answer UserPrompts::ask(QWidget *parent, const Prompt &prompt)
{
    if (Handler handler = currentHandler())
        return handler(prompt);

    Answer answer;
    switch (prompt.kind) {
    case Kind::Information:
        QMessageBox::information(parent, prompt.title, prompt.text, QMessageBox::Ok);
        break;
    case Kind::Question:
        answer.accepted =
            QMessageBox::question(parent, prompt.title, prompt.text,
                                  QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        break;
    case Kind::SaveFile:
        answer.fileName =
            QFileDialog::getSaveFileName(parent, prompt.text, prompt.directory, prompt.filter);
        answer.accepted = !answer.fileName.isEmpty();
        break;
    case Kind::Password:
        answer.text = QInputDialog::getText(parent, prompt.title, prompt.text, QLineEdit::Password,
                                            QString(), &answer.accepted);
        break;
    case Kind::Text:
        answer.text = QInputDialog::getText(parent, prompt.title, prompt.text, QLineEdit::Normal,
                                            QString(), &answer.accepted);
        break;
    case Kind::Signature: {
        SignatureDialog dialog(prompt.choices, parent);
        answer.accepted = dialog.exec() == QDialog::Accepted;
        answer.choice = dialog.meaning();
        answer.text = dialog.name();
        break;
    }
    case Kind::Print: {
        QPrintDialog dialog(prompt.printer, parent);
        answer.accepted = dialog.exec() == QDialog::Accepted;
        break;
    }
    }
    return answer;
}

void UserPrompts::information(QWidget *parent, const QString &title, const QString &text)
{
    if (PauseLock::heldByCurrentThread()) {
        PauseLock::setReleasedHook(&showDeferred);
        g_deferred.localData().push_back(
            Deferred{parent, parent != nullptr, Prompt{Kind::Information, title, text, {}, {}}});
        return;
    }
    ask(parent, Prompt{Kind::Information, title, text, {}, {}});
}

bool UserPrompts::question(QWidget *parent, const QString &title, const QString &text)
{
    return ask(parent, Prompt{Kind::Question, title, text, {}, {}}).accepted;
}

QString UserPrompts::saveFileName(QWidget *parent, const QString &caption, const QString &directory,
                                  const QString &filter)
{
    const Answer answer = ask(parent, Prompt{Kind::SaveFile, {}, caption, directory, filter});
    return answer.accepted ? answer.fileName : QString();
}

QString UserPrompts::password(QWidget *parent, const QString &title, const QString &text)
{
    const Answer answer = ask(parent, Prompt{Kind::Password, title, text, {}, {}});
    return answer.accepted ? answer.text : QString();
}

bool UserPrompts::print(QWidget *parent, QPrinter *printer)
{
    if (!printer)
        return false;
    Prompt prompt{Kind::Print, {}, {}, {}, {}};
    prompt.printer = printer;
    return ask(parent, prompt).accepted;
}

QString UserPrompts::text(QWidget *parent, const QString &title, const QString &label)
{
    const Answer answer = ask(parent, Prompt{Kind::Text, title, label, {}, {}});
    return answer.accepted ? answer.text.trimmed() : QString();
}

bool UserPrompts::signature(QWidget *parent, const QStringList &meanings, int &meaning,
                            QString &name)
{
    Prompt prompt{Kind::Signature, QObject::tr("Sign the report"), {}, {}, {}};
    prompt.choices = meanings;
    const Answer answer = ask(parent, prompt);
    if (!answer.accepted || answer.choice < 0 || answer.choice >= meanings.size() ||
        answer.text.trimmed().isEmpty())
        return false;
    meaning = answer.choice;
    name = answer.text.trimmed();
    return true;
}
