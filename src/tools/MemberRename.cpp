#include "MemberRename.h"

#include "DataModule.h"
#include "ListGuard.h"
#include "MasterLoads.h"
#include "SjisCodec.h"
#include "TextTools.h"

#include <tuple>

namespace {

const char* const kMember[] = {"NAME01", "NAME02", "TANI"};
const char* const kSchedule[] = {"NAME_01", "NAME_02", "TAN"};
const char* const kLabels[] = {"名称", "摘要", "単位"};
const int kBytes[] = {40, 40, 6};

} // namespace

void MemberRename::open()
{
    m_screen.showMainToolbar();
    TableDataset& bu = m_dm.IBT_bu;
    if (m_screen.activeTab() == Tab::Member && bu.active() && bu.recordCount() > 0) {
        bu.checkBrowseMode();
        for (int i = 0; i < 3; ++i)
            before[i] = after[i] = bu.text(QLatin1String(kMember[i]));
        const int row = bu.recNo();
        const auto backToRow = [&] {
            bu.close();
            bu.open();
            bu.setRecNo(std::min(row, bu.recordCount()));
        };
        m_dialogOpen = true;
        try {
            m_screen.showTextDialog(TextDialog::Rename);
        } catch (...) {
            m_dialogOpen = false;
            backToRow();
            throw;
        }
        m_dialogOpen = false;
        backToRow();
    }
    m_screen.showMainToolbar();
}

bool MemberRename::run()
{
    QString was[3], now[3];
    for (int i = 0; i < 3; ++i) {
        was[i] = SjisCodec::normalize(before[i]);
        now[i] = SjisCodec::normalize(after[i]);
        const QString problem =
            TextTools::fitProblem(now[i], kBytes[i], QStringLiteral("修正後の") + QString::fromUtf8(kLabels[i]));
        if (!problem.isEmpty()) {
            m_screen.confirmation().ask(Confirmation::Notice, problem);
            return false;
        }
    }

    // An empty old text matches NULL; an empty new text stores NULL.
    const auto statement = [&](Query& q, const QString& table, const char* const* columns) {
        QStringList sets, tests;
        for (int i = 0; i < 3; ++i) {
            const QString c = QLatin1String(columns[i]);
            sets << QStringLiteral("%1=:N%2").arg(c).arg(i);
            tests << (was[i].isEmpty() ? c + QStringLiteral(" is null") : QStringLiteral("%1=:O%2").arg(c).arg(i));
        }
        q.setSql({QStringLiteral("UPDATE ") + table, QStringLiteral("set ") + sets.join(','),
                  QStringLiteral("where ") + tests.join(QStringLiteral(" and "))});
        for (int i = 0; i < 3; ++i) {
            q.setParam(QStringLiteral("N%1").arg(i), now[i].isEmpty() ? QVariant() : QVariant(now[i]));
            if (!was[i].isEmpty())
                q.setParam(QStringLiteral("O%1").arg(i), was[i]);
        }
        q.exec();
    };

    TableDataset& bu = m_dm.IBT_bu;
    if (bu.active())
        bu.checkBrowseMode();
    bu.close();
    Database& product = m_dm.conn.IBDatabase1;
    Database& work = *bu.database();
    ListOrigin origin = loads ? loads->origin(Tab::Member) : ListOrigin{};
    const auto giveBack = [&] {
        bu.dropPrepared();
        work.transaction().restart();
        bu.open();
    };
    const bool changed = ListGuard::changeOrNotify(
        m_screen, Tab::Member,
        [&] {
            product.transaction().runWhole([&] {
                ListGuard::verify(product, Tab::Member, origin);
                Query q(&product, QStringLiteral("IBQuery1"));
                statement(q, QStringLiteral("MAS_BUZAI"), kMember);
                statement(q, QStringLiteral("MAS_SIAGE02"), kSchedule);
                // The list is renamed alike below: it stands for the rows as they are now.
                if (origin.known)
                    origin = ListGuard::read(product, Tab::Member, origin, false);
            });
            if (loads)
                loads->setOrigin(Tab::Member, origin);
            work.transaction().runWhole([&] {
                Query q(&work, QStringLiteral("IBQ_FB2"));
                statement(q, QStringLiteral("BUZAI_S"), kMember);
                // The parked full list too, so that the merge back finds the
                // renamed members under their new names.
                if (m_screen.memberGridNarrowed())
                    statement(q, QStringLiteral("BUZAI_S2"), kMember);
                // The grid's next open, here or when the dialog closes, reads only
                // the renamed rows again.
                bu.prepareReopen();
            });
        },
        giveBack);
    if (!changed)
        return true;
    work.transaction().restart();
    if (!m_dialogOpen)
        bu.open();
    return true;
}
