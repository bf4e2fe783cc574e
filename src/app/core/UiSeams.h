#pragma once

#include <QString>

// The small interfaces through which commands reach the user, so that tests can
// answer questions and watch progress without a screen.

// Confirmation dialog protocol: mode 0 = notice with one OK button, mode 1 =
// question with Yes/No. Returns 1 for OK/Yes, 2 for No, Esc or the close box.
class Confirmation {
public:
    enum Mode { Notice = 0, Question = 1 };
    enum Result { Ok = 1, No = 2 };
    virtual ~Confirmation() = default;
    virtual int ask(int mode, const QString& message) = 0;
};

// The main window's progress bar.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void start(int maximum) = 0;
    virtual void step(int by = 1) = 0;
    virtual void finish() = 0;
};

class NullProgress : public ProgressSink {
public:
    void start(int) override {}
    void step(int) override {}
    void finish() override {}
};
