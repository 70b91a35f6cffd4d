#include "titledprompts.h"

#include "promptrecorder.h"

QStringList TitledPrompts::of(const PromptRecorder &recorder)
{
    QStringList list;
    for (const UserPrompts::Prompt &prompt : recorder.prompts())
        list.append(prompt.title + QStringLiteral(": ") + prompt.text);
    return list;
}
