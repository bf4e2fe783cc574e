#pragma once

#include "MainScreen.h"
#include "MasterLoads.h"

// The main window as a benchmark needs it: every question answered Yes, the
// past details converted, nothing shown.
class BenchScreen : public MainScreen, public Confirmation, public FileChooser {
public:
    Tab tab = Tab::Major;
    Tab activeTab() const override { return tab; }
    void showTab(Tab t) override { tab = t; }
    bool convertPastDetails(Tab) const override { return true; }
    void beginWork(Tab) override {}
    void endWork(Tab) override {}
    void setMemberGridEnabled(bool) override {}
    Confirmation& confirmation() override { return *this; }
    ProgressSink& progress() override { return m_progress; }
    FileChooser& files() override { return *this; }
    int ask(int, const QString&) override { return Ok; }
    QString openFileName(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&, const QString&, const QString&) override { return {}; }

private:
    NullProgress m_progress;
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
