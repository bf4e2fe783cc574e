#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The small interfaces through which commands reach the user, so that tests can
// answer questions and watch progress without a screen.

// Confirmation dialog protocol: mode 0 = notice with one OK button, mode 1 =
// question with Yes/No. Returns 1 for OK/Yes, 2 for No, Esc or the close box.
// Mode 2 asks what becomes of unregistered changes before a list is left:
// 1 register them, 2 discard them, 3 stay (also Esc and the close box).
class Confirmation {
public:
    enum Mode { Notice = 0, Question = 1, Unregistered = 2 };
    enum Result { Ok = 1, No = 2, Stay = 3, Register = Ok, Discard = No };
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
    // The user (or the end of the session) asked the work under way to stop.
    virtual bool cancelled() { return false; }
};

class NullProgress : public ProgressSink {
public:
    void start(int) override {}
    void step(int) override {}
    void finish() override {}
};

// Another program attached to the product database.
struct OtherAttachment {
    QString host;    // host name or address; empty when on this computer
    QString program; // program file; empty when the server does not know it
    qint64 processId = 0;
    QDateTime since;
};

// What a registration of the major or middle categories will do to the product
// database, told before anything changes.
struct RenumberingOutline {
    // A category of the grid: its code before and after.
    struct Code {
        QString name;
        int oldCode = 0;
        int newCode = 0;
        bool added = false; // not in the product's master yet
    };
    // A category no longer in the grid, with what goes with it. Rows that already
    // had no category and are removed now are listed with `code` 0.
    struct Gone {
        QString name;
        int code = 0;
        int middles = 0;         // middle categories deleted with a major
        int members = 0;         // members deleted
        int scheduleDeleted = 0; // finishing-schedule master lines deleted
        int scheduleKept = 0;    // finishing-schedule lines kept without category
        int pastDetails = 0;     // past details kept with the code of no category
    };

    bool major = true; // 大項目 or 中項目
    bool pastDetails = false;
    QList<Code> codes;
    QList<Gone> gone;
    // The backup of the product database taken before anything is written, as
    // the engine sees it; empty when the registration takes none.
    QString backup;

    bool changesCodes() const
    {
        for (const Code& c : codes)
            if (!c.added && c.oldCode != c.newCode)
                return true;
        return false;
    }
    // Something is deleted or left without category: stopping is the safer answer.
    bool losesSomething() const { return !gone.isEmpty(); }
    bool worthShowing() const { return changesCodes() || losesSomething(); }
};

// The questions before a renumbering: whether to go on although other programs
// use the product database, and after seeing what it will do.
class RenumberingQuestions {
public:
    enum Answer { GoOn, Stop };
    virtual ~RenumberingQuestions() = default;
    virtual Answer othersConnected(const QList<OtherAttachment>& others) = 0;
    virtual Answer renumbering(const RenumberingOutline& outline) = 0;
};

class AlwaysGoOn : public RenumberingQuestions {
public:
    Answer othersConnected(const QList<OtherAttachment>&) override { return GoOn; }
    Answer renumbering(const RenumberingOutline&) override { return GoOn; }
};
