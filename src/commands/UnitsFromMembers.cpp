#include "UnitsFromMembers.h"

#include "DataModule.h"

void UnitsFromMembers::SpeedButton9Click()
{
    Query& src = m_dm.IBQuery4;
    src.setSql(QStringLiteral("select TANI as NAME,count(TANI) as CD from MAS_BUZAI group by TANI"));
    src.open();

    TableDataset& grid = m_dm.IBT_TANI;
    grid.close();
    Database& work = m_dm.conn.IBDatabase2;
    Transaction& t = work.transaction();
    t.commitAndRestart();
    Query& q = m_dm.IBQ_FB2;
    try {
        q.run(QStringLiteral("delete from TANIW"));
        q.run(QStringLiteral("delete from TANI"));
        q.setSql(QStringList{QStringLiteral("Insert into TANIW"), QStringLiteral("(CD,NAME)"), QStringLiteral("values"),
                             QStringLiteral("(:CD,:NAME)")});
        int n = 0;
        for (src.first(); !src.eof(); src.next()) {
            q.setParam(QStringLiteral("CD"), ++n);
            q.setParam(QStringLiteral("NAME"), src.text(QStringLiteral("NAME")));
            q.exec();
        }
        // The standard units at the top.
        const std::pair<int, const char*> fixed[] = {{9999, "式"}, {9998, "m"},   {9998, "㎡"},
                                                     {9997, "m3"}, {9997, "ｍ3"}, {9997, "坪"}};
        for (const auto& [code, name] : fixed)
            q.run(QStringLiteral("UPDATE TANIW set CD=%1 where NAME='%2'").arg(code).arg(QString::fromUtf8(name)));
        q.run({QStringLiteral("Insert into TANI (CD,NAME)"),
               QStringLiteral("select row_number() over (order by CD desc), NAME from TANIW")});
        t.commit();
    } catch (...) {
        try {
            t.rollback();
            grid.open();
        } catch (...) {
            // The first error is the one to report.
        }
        src.close();
        throw;
    }
    grid.open();
    grid.setUnregistered(true);
    src.close();
}
