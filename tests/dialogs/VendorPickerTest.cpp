#include "DialogRig.h"
#include "QueuedConfirmation.h"
#include "SjisCodec.h"
#include "trad_sen2.h"

#include <QFile>
#include <QScopeGuard>

namespace {

class VendorPickerTest : public ProductSuite {
protected:
    static void SetUpTestSuite()
    {
        makeProduct(insertRows("MAS_SIIRE (T_CD, T_KEY, T_NAME01, T_NAME03, T_TEL, KU_KOUSYU, E_DATE04)",
                               {"1234, 'ｱｵﾊﾞ', '青葉商店', null, '045-000-9999', 1203, null",
                                "12, 'ﾄｳｻﾞｲ', '株式会社　東西 工業', null, '03-5555-1234', null, null",
                                "7, 'ｵﾊﾗ', 'O''Hara Tec', null, '06-1111-2222', 1203, null",
                                "8, 'ｶﾄｳ', '加藤12-3', null, '0120-12-3000', null, '2020-01-01'",
                                "9, 'ﾏﾙ', '丸12-3商会', null, '0120-12-3456', null, null",
                                "20, 'ｻｸﾗ', '桜建材', 'サクラ', '03-1234', 501, null"}) +
                    insertRows("DAT_JIKKOU (ID, KOUSYU, T_CD_2)", {"1, 9999, 1234", "2, 1205, 20"}));
    }
    void SetUp() override { Ttrad_sen2::sortDirection = 0; }

    QStringList codes() const
    {
        QStringList out;
        for (int r = 0; r < dlg.DBGrid1->rowCount(); ++r)
            out << dlg.DBGrid1->item(r, 0)->text();
        return out;
    }
    int show(const std::function<void()>& act)
    {
        return runModal(dlg, act, [this] { return dlg.showCentered(nullptr); });
    }
    QueuedConfirmation confirm;
    Ttrad_sen2 dlg{*db, state, confirm};
};

TEST_F(VendorPickerTest, SearchesByTelephoneCodeKeyNameOrWorkType)
{
    struct Case {
        const char16_t* text;
        const char* workType;
        bool prefix;
        QStringList expected; // by T_CD
    };
    const Case cases[] = {
        {u"1234", "", false, {"12", "20", "1234"}}, // telephone tails and the code
        {u"12", "", false, {"12"}},
        {u"03-1234", "", false, {"20"}},
        {u"12-3", "", false, {"9"}}, // too short for a telephone: a name; deleted vendors never show
        {u"'", "", false, {"7"}},
        {u"O'Hara", "", false, {"7"}},
        {u"とうざい", "", false, {"12"}}, // hiragana against the half-width key
        {u"トウ", "", true, {"12"}},
        {u"東西", "", true, {}}, // prefix matching looks at the key only
        {u"", "1203", false, {"7", "1234"}},
        {u"", "1299", false, {"7", "9", "12", "20", "1234"}}, // none of the work type: everyone
        {u"", "abc", false, {"7", "9", "12", "20", "1234"}},
        {u"", "", false, {"7", "9", "12", "20", "1234"}},
        {u"ｻｸﾗ", "1203", false, {"20"}}, // the search text wins over the work type
    };
    dlg.CheckBox1->setChecked(false);
    for (const Case& c : cases) {
        dlg.Edit1->setText(QString::fromUtf16(c.text));
        dlg.Edit3->setText(QString::fromLatin1(c.workType));
        dlg.CheckBox2->setChecked(c.prefix);
        dlg.search();
        EXPECT_EQ(codes(), c.expected) << QString::fromUtf16(c.text).toStdString() << " / " << c.workType;
    }
}

TEST_F(VendorPickerTest, OkFillsShortNameAndAsksForTheWorkType)
{
    dlg.Edit1->setText(QStringLiteral("12"));
    dlg.Edit3->setText(QStringLiteral("1203"));
    confirm.answers = {Confirmation::Ok};
    EXPECT_EQ(show([&] {
                  QTest::keyClick(dlg.Edit1, Qt::Key_Return); // searches and goes to the list
                  QTest::keyClick(dlg.DBGrid1, Qt::Key_Return);
              }),
              QDialog::Accepted);
    EXPECT_EQ(state.picks.vendorCode, QStringLiteral("12"));
    EXPECT_EQ(confirm.messages, QStringList{QStringLiteral("株式会社　東西 工業に工種をセットしますか？")});
    EXPECT_EQ(rowsOf(*db, "select T_NAME03, KU_KOUSYU from MAS_SIIRE where T_CD=12"), QStringList{"㈱東西工業|1203"});

    // A vendor with a work type and a short name: nothing asked, nothing written.
    dlg.Edit1->setText(QStringLiteral("ｻｸﾗ"));
    show([&] { dlg.BitBtn2->click(); });
    EXPECT_EQ(state.picks.vendorCode, QStringLiteral("20"));
    EXPECT_EQ(dlg.chosenShortName(), QStringLiteral("サクラ"));
    EXPECT_EQ(confirm.messages.size(), 1);
    execCommitted(*db, {"update MAS_SIIRE set T_NAME03=null, KU_KOUSYU=null where T_CD=12"});
}

TEST_F(VendorPickerTest, CancelForgetsTheChoiceAndTheStateIsSaved)
{
    state.picks.vendorCode = QStringLiteral("99");
    dlg.Edit1->setText(QStringLiteral("ｱｵ"));
    EXPECT_EQ(show([&] { dlg.BitBtn1->click(); }), QDialog::Rejected);
    EXPECT_TRUE(state.picks.vendorCode.isEmpty());
    // OK on an empty list is no choice either, and updates nobody.
    dlg.Edit1->setText(QStringLiteral("該当なし"));
    dlg.Edit3->setText(QStringLiteral("1203"));
    EXPECT_EQ(show([&] { dlg.BitBtn2->click(); }), QDialog::Rejected);
    EXPECT_TRUE(confirm.messages.isEmpty());
    QFile file(QStringLiteral("TRAD_SEL.DAT"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(
        SjisCodec::decode(file.readAll()).split(QStringLiteral("\r\n")).contains(QStringLiteral("Edit1=該当なし")));
}

// One Up on the first row goes back to the search text, also after the cursor
// went down and came back; a long key stays on one line, whole in its tooltip.
TEST_F(VendorPickerTest, UpOnTheFirstRowReachesTheSearchTextAndKeysStayOnOneLine)
{
    const QString key = QStringLiteral("ｶﾌﾞｼｷ ﾄｳｻﾞｲ ｺｳｷﾞｮｳ");
    execCommitted(*db, {"insert into MAS_SIIRE (T_CD, T_KEY, T_NAME01) values (30, '" + key + "', '東西建設工業')"});
    const auto remove = qScopeGuard([] { execCommitted(*db, {"delete from MAS_SIIRE where T_CD=30"}); });
    show([&] {
        ASSERT_EQ(dlg.DBGrid1->rowCount(), 6);
        dlg.DBGrid1->setFocus();
        QTest::keyClick(dlg.DBGrid1, Qt::Key_Down);
        QTest::keyClick(dlg.DBGrid1, Qt::Key_Up);
        ASSERT_EQ(dlg.DBGrid1->currentRow(), 0);
        QTest::keyClick(dlg.DBGrid1, Qt::Key_Up);
        EXPECT_EQ(dlg.focusWidget(), dlg.Edit1);

        const int row = static_cast<int>(codes().indexOf("30"));
        ASSERT_GE(row, 0);
        EXPECT_EQ(dlg.DBGrid1->item(row, 1)->toolTip(), key);
        const QAbstractItemView* view = dlg.DBGrid1;
        EXPECT_LE(view->sizeHintForRow(row), dlg.DBGrid1->rowHeight(row));
        dlg.BitBtn1->click();
    });
}

TEST_F(VendorPickerTest, WorkTypeBoxOpensTheWorkTypePicker)
{
    execCommitted(*db, {"insert into MAS_KOUSYU_02 (BL_KUBUN, BM_KUBUN, NAME01) values (12, 3, '内装')"});
    TForm_kou kou(*db, state);
    Ttrad_sen2 picker(*db, state, confirm, &kou);
    // Answers the nested picker once its own modal loop runs.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &kou, [&] {
        if (kou.isVisible()) {
            poll.stop();
            kou.ok();
        }
    });
    QTimer::singleShot(0, &picker, [&] {
        poll.start(10);
        QTest::mouseDClick(picker.Edit3, Qt::LeftButton);
        EXPECT_EQ(picker.Edit3->text(), QStringLiteral("1203"));
        EXPECT_EQ(picker.DBGrid1->rowCount(), 2) << "searched again for the chosen work type";
        picker.reject();
    });
    QTimer::singleShot(3000, &picker, [&] {
        ADD_FAILURE() << "a picker stayed open";
        kou.done(99);
        picker.done(99);
    });
    picker.showCentered(nullptr);
}

} // namespace
