#include "ImportRig.h"

#include "BZAI_CMV.h"

#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace {

class ImportDialogTest : public ::testing::Test, public ImportRig {};

// The form shows the analysed columns and the targets, passes a typed code on
// and imports on "取込開始".
TEST_F(ImportDialogTest, ShowsTheMappingAndImports)
{
    TBZAI_CMV form(dialog);
    inDialog = [&] {
        form.show();
        EXPECT_EQ(form.DBGrid1->rowCount() * 10 + form.DBGrid2->rowCount(), 133);
        form.DBGrid2->item(2, 3)->setText(QStringLiteral("3"));
        form.SpeedButton1->click();
        EXPECT_FALSE(form.isVisible());
    };
    import(writeSjis("in.csv", QStringLiteral("名称,単価,メモ\r\n板,\"1,200\",厚物\r\n")));
    EXPECT_EQ(handedOff("NAME01,KIN_02,NAME02"), QStringList{"板|1200|厚物"});
}

} // namespace
