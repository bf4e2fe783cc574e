#pragma once

#include "MasterLoads.h"
#include "TestScreen.h"

#include <QElapsedTimer>
#include <QVector>

#include <algorithm>
#include <cstdio>
#include <optional>

// One line of the table scripts/bench prints: a figure in seconds, and the bound
// it is measured against in the same run, when it has one.
// `label` padded with blanks to `columns` screen columns: a Japanese character
// takes two, and printf pads by bytes.
inline QByteArray paddedLabel(const char* label, int columns)
{
    const QString text = QString::fromUtf8(label);
    int width = 0;
    for (const QChar ch : text)
        width += ch.unicode() >= 0x2E80 ? 2 : 1;
    return (text + QString(std::max(0, columns - width), QLatin1Char(' '))).toUtf8();
}

inline void reportRow(const char* label, double figure, std::optional<double> bound = std::nullopt)
{
    const QByteArray shown = paddedLabel(label, 58);
    if (bound)
        std::printf("%s %8.3f s   bound %8.3f s   x%.2f\n", shown.constData(), figure, *bound,
                    *bound > 0 ? figure / *bound : 0.0);
    else
        std::printf("%s %8.3f s\n", shown.constData(), figure);
    // Six decimals: a bound of a fraction of a millisecond still gives a ratio.
    std::printf("@row\t%s\t%.6f\t%s\n", paddedLabel(label, 60).constData(), figure,
                bound ? qPrintable(QString::number(*bound, 'f', 6)) : "");
    std::fflush(stdout);
}

// Notes when each progress bar starts: a registration reads its garbage under a
// bar of its own, so the last start marks where that read begins.
class TimingProgress : public ProgressSink {
public:
    TimingProgress() { m_clock.start(); }
    void start(int) override { m_starts.append(m_clock.nsecsElapsed()); }
    void step(int) override {}
    void finish() override {}
    void clear() { m_starts.clear(); }
    // Seconds from the start of the last bar to now, when more than one was started.
    double sinceLastStart() const
    {
        return m_starts.size() < 2 ? 0.0 : double(m_clock.nsecsElapsed() - m_starts.back()) / 1e9;
    }

private:
    QElapsedTimer m_clock;
    QVector<qint64> m_starts;
};

// The main window as a benchmark needs it: every question answered Yes, the
// past details converted, nothing shown, the progress bars timed.
class BenchScreen : public TestScreen {
public:
    BenchScreen()
    {
        tab = Tab::Major;
        pastDetails = true;
    }
    ProgressSink& progress() override { return m_progress; }
    TimingProgress& timing() { return m_progress; }

private:
    TimingProgress m_progress;
};

// Registration timed on its own: the reload that follows it is not part of the figure.
class NoReload : public MasterLoads {
public:
    using MasterLoads::MasterLoads;
    void Button2Click() override {}
    void Button3Click() override {}
    void Button4Click() override {}
    void Button8Click() override {}
    bool completed(Tab) const override { return true; }
};
