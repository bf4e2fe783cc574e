#pragma once

#include "UiSeams.h"

#include <QList>
#include <QStringList>

// Answers the program's questions from a queue (OK when empty) and records them.
class QueuedConfirmation : public Confirmation {
public:
    QList<int> answers;
    QStringList messages;
    QList<int> modes;
    int ask(int mode, const QString& message) override
    {
        modes << mode;
        messages << message;
        return answers.isEmpty() ? Ok : answers.takeFirst();
    }
};
