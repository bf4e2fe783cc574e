#pragma once

#include "CodeRenumbering.h"
#include "CommandContext.h"
#include "OtherAttachments.h"

class TableDataset;

#include <QString>
#include <QStringList>

// Registration of the major categories (Button6, "大項目登録") and of the middle
// categories of the current major category (Button7, "中項目登録"): the grid order
// becomes the codes 1, 2, 3 … and every table that refers to a category follows.
//
// The product-database work of one registration is a single transaction, the
// work-table changes another; a failure rolls both back, gives the screen back
// and throws the error on.
class WorkTypeRegistration {
public:
    explicit WorkTypeRegistration(CommandContext& context);

    void Button6Click();
    void Button7Click();

    // How the product tables are rewritten; one statement per table unless replaced.
    void setRenumberStrategy(RenumberStrategy strategy) { m_renumber = std::move(strategy); }

    // Which attachments to the product database are not another program's.
    void setOwnAttachments(OwnAttachments own) { m_own = own; }

    static QString pastDetailsWarning();
    static QString noMajorMessage();
    static QString majorQuestion();
    static QString middleQuestion();
    // The statement that inserts one row of the category master of `tab`.
    static QStringList insertStatement(Tab tab);

    // What differs between the two levels (defined with the registration).
    struct Level;

private:
    // The one registration of both levels; `major` is the middle level's major category.
    void registerLevel(const Level& level, int major);
    bool confirmed(const Level& level, int major, bool& convertDetails);
    bool leavesMasterEmpty(const Level& level, int major);
    bool goOnWithRenumbering(const Level& level, int major, bool convertDetails);
    void writeLevel(const Level& level, int major, bool convertDetails);
    QVector<CodeStep> insertRows(Query& q, const Level& level, int major);
    void restoreScreen(Tab tab, TableDataset& grid);

    CommandContext& m_ctx;
    RenumberStrategy m_renumber;
    OwnAttachments m_own = OwnAttachments::ThisProcess;
};
