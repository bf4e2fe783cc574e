#include "ImportProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>

ImportProgress::ImportProgress(QWidget* parent) : m_parent(parent) {}

ImportProgress::~ImportProgress() = default;

void ImportProgress::start(int maximum)
{
    m_maximum = std::max(1, maximum);
    m_value = 0;
    m_started.start();
    m_updated.start();
}

void ImportProgress::step(int by)
{
    m_value = std::min(m_maximum, m_value + by);
    if (!m_updated.isValid() || m_updated.elapsed() >= kUpdateEveryMs)
        update();
}

void ImportProgress::update()
{
    m_updated.start();
    if (!m_window && m_started.isValid() && m_started.elapsed() >= kShowAfterMs) {
        m_window = std::make_unique<QProgressDialog>(QStringLiteral("ファイルを取り込んでいます。"),
                                                     QStringLiteral("中止"), 0, m_maximum, m_parent);
        m_window->setWindowTitle(QStringLiteral("ファイル取込"));
        m_window->setWindowModality(Qt::WindowModal);
        m_window->setAutoClose(false);
        m_window->setAutoReset(false);
        m_window->setMinimumDuration(0);
        m_window->show();
    }
    if (m_window)
        m_window->setValue(m_value);
    QCoreApplication::processEvents();
}

bool ImportProgress::cancelled()
{
    return m_cancelled || (m_window && m_window->wasCanceled());
}

void ImportProgress::finish()
{
    m_window.reset();
}
