#include "DataModule.h"

#include "Helpers.h"

TDM2::TDM2(Connections& c)
    : conn(c), IBT_dai(&c.IBDatabase2, QStringLiteral("BUZAI_DAI"), QStringLiteral("CNT")),
      IBT_chu(&c.IBDatabase3, QStringLiteral("BUZAI_CHU"), QStringLiteral("CNT")),
      IBT_bu(&c.IBDatabase4, QStringLiteral("BUZAI_S"), QStringLiteral("CNT")),
      IBT_TANI(&c.IBDatabase2, QStringLiteral("TANI"), QStringLiteral("CD")),
      IBQ_FB2(&c.IBDatabase2, QStringLiteral("IBQ_FB2")), IBQ_FB2_2(&c.IBDatabase2, QStringLiteral("IBQ_FB2_2")),
      IBQ_FB3(&c.IBDatabase3, QStringLiteral("IBQ_FB3")), IBQ_FB3_2(&c.IBDatabase3, QStringLiteral("IBQ_FB3_2")),
      IBQ_touroku4(&c.IBDatabase4, QStringLiteral("IBQ_touroku4")),
      IBQ_touroku4_2(&c.IBDatabase4, QStringLiteral("IBQ_touroku4_2")),
      IBQ_FB4(&c.IBDatabase4, QStringLiteral("IBQ_FB4")), IBQ_FB4_2(&c.IBDatabase4, QStringLiteral("IBQ_FB4_2")),
      IBQ_touroku2(&c.IBDatabase2, QStringLiteral("IBQ_touroku2")),
      IBQ_touroku2_2(&c.IBDatabase2, QStringLiteral("IBQ_touroku2_2")),
      IBQ_touroku(&c.IBDatabase1, QStringLiteral("IBQ_touroku")),
      IBQ_touroku1_2(&c.IBDatabase1, QStringLiteral("IBQ_touroku1_2")),
      IBQ_touroku3(&c.IBDatabase1, QStringLiteral("IBQ_touroku3")),
      IBQuery1(&c.IBDatabase1, QStringLiteral("IBQuery1")), IBQuery4(&c.IBDatabase1, QStringLiteral("IBQuery4")),
      IBQ_TREVOLAN2(&c.IBDatabase5, QStringLiteral("IBQ_TREVOLAN2"))
{
    IBQ_FB4.setSql(QStringLiteral("select * from BUZAI_SW2 "));
    IBQuery1.setSql(QStringLiteral("select * from MAS_KOUSYU_01 order by CNT"));
    IBQuery4.setSql(QStringLiteral("select * from LOOK_TANI"));
    currentMajorCode = [this] {
        return IBT_dai.active() ? Helpers::toIntOrZero(IBT_dai.text(QStringLiteral("BL_KUBUN"))) : 0;
    };
    currentMiddleCode = [this] {
        return IBT_chu.active() ? Helpers::toIntOrZero(IBT_chu.text(QStringLiteral("BM_KUBUN"))) : 0;
    };
    installEvents();
}

TDM2::~TDM2() = default;

TableDataset& TDM2::list(Tab tab)
{
    TableDataset* const lists[] = {&IBT_dai, &IBT_chu, &IBT_bu, &IBT_TANI};
    return *lists[static_cast<int>(tab)];
}

void TDM2::execCommit(Query& q, const QString& statement)
{
    q.run(statement);
    q.run(QStringLiteral("COMMIT"));
}
