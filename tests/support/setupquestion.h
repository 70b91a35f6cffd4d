#pragma once

#include "promptrecorder.h"
#include "titledprompts.h"
#include "virtualinstrument.h"

#include <QPushButton>
#include <QtTest>

// Writing the setup first asks whether to reset, since the stored data goes with it.
class SetupQuestion
{
public:
    // Clicks the page's write button and answers No: the question, and nothing sent. The
    // recorder confirms again afterwards and is cleared.
    static void refuse(PromptRecorder &prompts, VirtualInstrument *instrument, QWidget *page)
    {
        prompts.setAnswer([](const UserPrompts::Prompt &) {
            return UserPrompts::Answer{false, {}};
        });
        instrument->clearRequests();
        page->findChild<QPushButton *>(QStringLiteral("writehostconfiguretBtn"))->click();
        QCOMPARE(TitledPrompts::of(prompts),
                 QStringList{QStringLiteral(
                     "Solvane V2.1: Resetting the parameter history data will be cleared.")});
        QCOMPARE(prompts.prompts().first().kind, UserPrompts::Kind::Question);
        QVERIFY(instrument->requests().isEmpty());
        prompts.setAnswer({});
        prompts.clear();
    }
};
