#pragma once

#include <QStringList>

class PromptRecorder;

// What a recorder kept, each prompt as "title: text": the title tells the kind of box.
class TitledPrompts
{
public:
    static QStringList of(const PromptRecorder &recorder);
};
