#pragma once

#include "UiSeams.h"

#include <QList>
#include <QStringList>

// Answers the program's questions from a queue and records them. With the queue
// empty it answers OK, and to unregistered changes "破棄する", which goes on as
// the program did before it asked.
class QueuedConfirmation : public Confirmation {
public:
    QList<int> answers;
    QStringList messages;
    QList<int> modes;
    int ask(int mode, const QString& message) override
    {
        modes << mode;
        messages << message;
        if (answers.isEmpty())
            return mode == Unregistered ? Discard : Ok;
        return answers.takeFirst();
    }
};
