#pragma once

#include <QTranslator>

// Answers every lookup with "context|source", so that a test sees which context was asked.
class ContextTranslator : public QTranslator
{
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *disambiguation,
                      int n) const override;
};
