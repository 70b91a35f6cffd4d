#pragma once

#include "userprompts.h"

#include <QList>
#include <QStringList>
#include <functional>

class QEventLoop;

// Answers every message box, question and file dialog instead of a person, and keeps what
// was asked. Installed while it lives. By default boxes are confirmed, file dialogs and
// print dialogs and password lines cancelled.
class PromptRecorder
{
public:
    // What happens while a box is open: schedules events on the box's loop and returns how
    // long in milliseconds the box stays open.
    using WhileOpen = std::function<int(QEventLoop &loop)>;

    PromptRecorder();
    ~PromptRecorder();
    PromptRecorder(const PromptRecorder &) = delete;
    PromptRecorder &operator=(const PromptRecorder &) = delete;

    const QList<UserPrompts::Prompt> &prompts() const { return m_prompts; }
    QStringList texts() const;
    QString lastText() const;
    // Forgets the prompts and the count of boxes raised under the pause lock.
    void clear();

    // File dialogs choose this name; empty cancels them.
    void setSaveAs(const QString &fileName) { m_saveAs = fileName; }
    // Print dialogs print to this PDF file; empty cancels them.
    void setPrintTo(const QString &pdfPath) { m_printTo = pdfPath; }
    // Answers in place of the rules above (after the prompt was kept); empty restores them.
    void setAnswer(UserPrompts::Handler answer) { m_answer = std::move(answer); }
    // Runs every box as a real modal one does, in an event loop of its own (boxes inside
    // boxes up to three deep); empty answers at once.
    void setWhileOpen(WhileOpen whileOpen) { m_whileOpen = std::move(whileOpen); }

    // Boxes raised while the raising thread held a pause lock.
    int boxesUnderLock() const { return m_boxesUnderLock; }

private:
    UserPrompts::Answer answer(const UserPrompts::Prompt &prompt);
    void runBox();

    QList<UserPrompts::Prompt> m_prompts;
    QString m_saveAs;
    QString m_printTo;
    UserPrompts::Handler m_answer;
    WhileOpen m_whileOpen;
    int m_depth = 0;
    int m_boxesUnderLock = 0;
};
