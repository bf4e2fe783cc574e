#include "UnitRegistration.h"

#include "DataModule.h"
#include "Helpers.h"
#include "ListGuard.h"
#include "MasterLoads.h"
#include "ProgramState.h"
#include "RegistrationSupport.h"

UnitRegistration::UnitRegistration(CommandContext& context) : m_ctx(context) {}

void UnitRegistration::Button9Click()
{
    TDM2& dm = m_ctx.dm;
    TableDataset& units = dm.IBT_TANI;
    Registration::postPending(units);
    // LOOK_TANI is written afresh from the grid; nothing named in it would empty it.
    if (!Registration::hasNamedRow(dm.conn.IBDatabase2, QStringLiteral("TANI"), {QStringLiteral("NAME")})) {
        m_ctx.screen.confirmation().ask(Confirmation::Notice,
                                        Registration::nothingToRegisterMessage(QStringLiteral("単位マスター")));
        return;
    }
    if (!ListGuard::stillCurrent(m_ctx, Tab::Unit))
        return;
    if (m_ctx.screen.confirmation().ask(Confirmation::Question, question()) != Confirmation::Ok)
        return;
    units.close();
    units.open();
    units.first();

    const bool registered = ListGuard::registerOrRefuse(m_ctx, Tab::Unit, [&] {
        Registration::runAllOrNothing(
            dm.conn.IBDatabase1, dm.conn.IBDatabase2,
            [&] {
                ListGuard::verify(dm.conn.IBDatabase1, Tab::Unit, m_ctx.loads.origin(Tab::Unit));
                registerUnits();
            },
            [&] { Registration::quietly([&] { units.open(); }); });
    });
    if (!registered)
        return;

    units.close();
    units.open();
    m_ctx.loads.Button8Click();
    dm.IBQ_touroku.close();
    m_ctx.screen.confirmation().ask(Confirmation::Notice, QStringLiteral("登録しました。"));
}

void UnitRegistration::registerUnits()
{
    TDM2& dm = m_ctx.dm;
    Query& q = dm.IBQ_touroku;
    Query& remove = dm.IBQ_touroku1_2;
    TableDataset& units = dm.IBT_TANI;

    q.run(QStringLiteral("delete from LOOK_TANI"));
    q.close();
    q.setSql(QStringLiteral("INSERT INTO LOOK_TANI\n(CD,NAME)\nvalues\n(:CD,:NAME)"));
    remove.close();
    remove.setSql(QStringLiteral("delete from LOOK_TANI\nwhere NAME=:NAME"));
    int cd = 1;
    // A later row with the same name replaces the earlier one.
    for (units.first(); !units.eof(); units.next(), ++cd) {
        const QString name = units.text(QStringLiteral("NAME"));
        if (name.isEmpty())
            continue;
        remove.setParam(QStringLiteral("NAME"), name);
        remove.exec();
        q.setParam(QStringLiteral("CD"), cd);
        q.setParam(QStringLiteral("NAME"), Helpers::firstLine(name));
        q.exec();
    }
    units.first();
}
