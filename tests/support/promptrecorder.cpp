#include "promptrecorder.h"

#include "pauselock.h"

#include <QEventLoop>
#include <QPrinter>
#include <QTimer>

PromptRecorder::PromptRecorder()
{
    UserPrompts::setHandler([this](const UserPrompts::Prompt &prompt) { return answer(prompt); });
}

PromptRecorder::~PromptRecorder()
{
    UserPrompts::setHandler({});
}

QStringList PromptRecorder::texts() const
{
    QStringList list;
    for (const UserPrompts::Prompt &prompt : m_prompts)
        list.append(prompt.text);
    return list;
}

QString PromptRecorder::lastText() const
{
    return m_prompts.isEmpty() ? QString() : m_prompts.last().text;
}

void PromptRecorder::clear()
{
    m_prompts.clear();
    m_boxesUnderLock = 0;
}

UserPrompts::Answer PromptRecorder::answer(const UserPrompts::Prompt &prompt)
{
    m_prompts.append(prompt);
    if (PauseLock::heldByCurrentThread())
        ++m_boxesUnderLock;
    if (m_answer)
        return m_answer(prompt);
    UserPrompts::Answer answer;
    if (prompt.kind == UserPrompts::Kind::Print) {
        answer.accepted = !m_printTo.isEmpty() && prompt.printer;
        if (answer.accepted) {
            prompt.printer->setOutputFormat(QPrinter::PdfFormat);
            prompt.printer->setOutputFileName(m_printTo);
        }
    }
    runBox();
    if (prompt.kind == UserPrompts::Kind::Password)
        answer.accepted = false;
    if (prompt.kind == UserPrompts::Kind::SaveFile) {
        answer.fileName = m_saveAs;
        answer.accepted = !m_saveAs.isEmpty();
    }
    return answer;
}

void PromptRecorder::runBox()
{
    if (!m_whileOpen || m_depth >= 3)
        return;
    ++m_depth;
    QEventLoop loop;
    QTimer::singleShot(m_whileOpen(loop), &loop, &QEventLoop::quit);
    loop.exec();
    --m_depth;
}
