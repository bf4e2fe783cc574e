#include "Database.h"
#include "OtherAttachments.h"
#include "RegistrationRig.h"
#include "RenumberingCounts.h"
#include "TestServer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

using Outline = RenumberingOutline;

QString describe(const Outline& o)
{
    QStringList out;
    for (const Outline::Code& c : o.codes)
        out << QString("%1:%2>%3%4").arg(c.name).arg(c.oldCode).arg(c.newCode).arg(c.added ? "+" : "");
    for (const Outline::Gone& g : o.gone)
        out << QString("-%1(%2) m%3 b%4 sd%5 sk%6 p%7")
                   .arg(g.name)
                   .arg(g.code)
                   .arg(g.middles)
                   .arg(g.members)
                   .arg(g.scheduleDeleted)
                   .arg(g.scheduleKept)
                   .arg(g.pastDetails);
    return out.join(' ');
}

// Majors 1, 2 (middles 1, 2 each, one member each): the grid puts M2 first, adds
// M3 and drops M1; or, under major 1, drops M1-1 and adds a middle category.
TEST(RenumberingPreview, ToldBeforeAndEqualToWhatIsDone)
{
    struct Case {
        Tab tab;
        QStringList grid;
        QString expected;
    } cases[] = {
        {Tab::Major, inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,2,'M2'", "2,3,'M3'", "3,1,null"}),
         "M2:2>1 M3:3>2+ -M1(1) m2 b2 sd1 sk1 p5"},
        {Tab::Middle,
         inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,1,'M1'"}) +
             inserts("BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01)", {"1,1,2,'M1-2'", "2,1,3,'new'"}),
         "M1-2:2>1 new:3>2+ -M1-1(1) m0 b1 sd0 sk1 p3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.tab));
        RegistrationRig rig;
        rig.standardProduct();
        rig.addJikkouColumns();
        rig.work(c.grid);
        const RenumberingCounts before(rig);
        rig.registerTab(c.tab);
        ASSERT_EQ(rig.questions.outlines.size(), 1);
        const Outline& outline = rig.questions.outlines.first();
        EXPECT_EQ(describe(outline), c.expected);
        EXPECT_TRUE(outline.losesSomething());
        expectOutlineDone(outline, before, RenumberingCounts(rig), c.tab);
    }
}

// Nothing shown when no code changes and nothing goes; stopping changes nothing.
TEST(RenumberingPreview, ShownOnlyForChangesAndStopKeepsAll)
{
    RegistrationRig rig;
    rig.standardProduct();
    rig.addJikkouColumns();
    // Same order, a new major at the end: no code changes.
    rig.work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,1,'M1'", "2,2,'M2 renamed'", "3,3,'M3'"}));
    rig.registerTab(Tab::Major);
    EXPECT_TRUE(rig.questions.outlines.isEmpty());
    EXPECT_EQ(rig.productRows("select BL_kubun, NAME01 from MAS_KOUSYU_01 order by CNT"),
              (Rows{"1|M1", "2|M2 renamed", "3|M3"}));

    // Swapped: shown, nothing lost; stopped, nothing registered.
    rig.work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,2,'M2'", "2,1,'M1'", "3,3,'M3'"}));
    const QString before = rig.dumpProduct(true);
    rig.confirm.messages.clear();
    rig.questions.answers = {RenumberingQuestions::Stop};
    rig.registerTab(Tab::Major);
    ASSERT_EQ(rig.questions.outlines.size(), 1);
    EXPECT_TRUE(rig.questions.outlines.first().changesCodes());
    EXPECT_FALSE(rig.questions.outlines.first().losesSomething());
    EXPECT_EQ(rig.dumpProduct(true), before);
    EXPECT_FALSE(rig.confirm.messages.contains("登録しました。"));
    EXPECT_FALSE(rig.screen.hidden);
}

// Another attachment to the product database is named and may stop the
// registration; the program's own connection is never counted. Here a second
// attachment of the test process plays the other program.
TEST(RenumberingPreview, OtherAttachmentsAskedFirst)
{
    RegistrationRig rig;
    rig.command->workTypes().setOwnAttachments(OwnAttachments::ListedOnly);
    rig.standardProduct();
    rig.addJikkouColumns();
    rig.work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,2,'M2'", "2,1,'M1'"}) +
             inserts("BUZAI_CHU (CNT,BL_kubun,BM_kubun,NAME01)", {"1,2,1,'M2-1'", "2,2,2,'M2-2'"}));
    const QString before = rig.dumpProduct(true);
    rig.convertDetails = false;
    {
        const auto other = connectTestDatabase(rig.conn.IBDatabase1.databaseName(), "other");
        for (Tab tab : {Tab::Major, Tab::Middle}) {
            rig.questions = {};
            rig.questions.answers = {RenumberingQuestions::Stop};
            rig.registerTab(tab);
            ASSERT_EQ(rig.questions.othersShown.size(), 1);
            ASSERT_EQ(rig.questions.othersShown.first().size(), 1);
            const OtherAttachment& a = rig.questions.othersShown.first().first();
            // Through a server the other program is named by its address; embedded, it is on this computer.
            EXPECT_EQ(a.host.isEmpty(), TestServer::ofRun() == nullptr) << a.host.toStdString();
            EXPECT_TRUE(a.since.isValid());
            EXPECT_EQ(a.processId, QCoreApplication::applicationPid());
            EXPECT_TRUE(rig.questions.outlines.isEmpty()) << "stopped before the preview";
            EXPECT_EQ(rig.dumpProduct(true), before);
        }
        // As the program counts them, every attachment of its own process is its own.
        EXPECT_TRUE(otherAttachments(rig.conn.IBDatabase1, {}, OwnAttachments::ThisProcess).isEmpty());
        EXPECT_EQ(otherAttachments(rig.conn.IBDatabase1, {}, OwnAttachments::ListedOnly).size(), 1);

        rig.questions = {};
        rig.registerTab(Tab::Major);
        EXPECT_EQ(rig.questions.othersShown.size(), 1);
        EXPECT_EQ(rig.productRows("select BL_kubun, NAME01 from MAS_KOUSYU_01 order by CNT"), (Rows{"1|M2", "2|M1"}));
    }
    rig.questions = {};
    rig.work(inserts("BUZAI_DAI (CNT,BL_kubun,NAME01)", {"1,1,'M2'", "2,2,'M1'"}));
    rig.registerTab(Tab::Major);
    EXPECT_TRUE(rig.questions.othersShown.isEmpty());
}

} // namespace
