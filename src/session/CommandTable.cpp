#include "CommandTable.h"

namespace {

using Captions = std::array<std::optional<QString>, 4>;
using States = std::array<std::optional<bool>, 4>;

const QString cleared;
const std::optional<QString> keep;

CommandRow row(int key, bool shift, const QString& initial, Captions captions = {}, States enabled = {})
{
    CommandRow r;
    r.id = static_cast<Button>((shift ? 12 : 0) + key - 1);
    r.button = shift ? QStringLiteral("SBS_%1").arg(key, 2, 10, QChar('0'))
                     : QStringLiteral("SB%1").arg(key, 2, 10, QChar('0'));
    r.functionKey = key;
    r.shift = shift;
    r.initialCaption = initial;
    r.captions = std::move(captions);
    r.enabled = enabled;
    return r;
}

} // namespace

// Captions per tab: 大項目, 中項目, 部材, 単位.
CommandTable::CommandTable()
{
    const QString L = QStringLiteral("ﾌｧｲﾙ出力");
    m_rows = {
        row(1, false, QStringLiteral("Ｈｅｌｐ")),
        row(2, false, {}),
        row(3, false, QStringLiteral("登　録")),
        row(4, false, QStringLiteral("挿　入")),
        row(5, false, QStringLiteral("ｺﾋﾟｰ"), {cleared, cleared, QStringLiteral("コピー"), cleared}),
        row(6, false, QStringLiteral("切　取"),
            {QStringLiteral("切　取"), QStringLiteral("切　取"), QStringLiteral("切　取"), cleared}),
        row(7, false, QStringLiteral("貼　付"),
            {QStringLiteral("貼　付"), QStringLiteral("貼　付"), QStringLiteral("貼　付"), cleared}),
        row(8, false, QStringLiteral("前行ｺﾋﾟｰ"), {cleared, cleared, QStringLiteral("前行ｺﾋﾟｰ"), cleared}),
        row(9, false, QStringLiteral("科目ﾏｽﾀｰ")),
        row(10, false, QStringLiteral("ファイル"), {L, L, L, cleared}),
        row(11, false, {}, {cleared, cleared, QStringLiteral("ﾌｧｲﾙ取込"), cleared}),
        row(12, false, QStringLiteral("終　了")),

        row(1, true, {}, {cleared, cleared, QStringLiteral("置　換"), QStringLiteral("置　換")}),
        row(2, true, {}, {cleared, cleared, QStringLiteral("修　正"), cleared}),
        row(3, true, QStringLiteral("ﾊﾞｯｸｱｯﾌﾟから戻す")),
        row(4, true, QStringLiteral("行削除")),
        row(5, true, {}, {cleared, keep, cleared, cleared}),
        row(6, true, {}),
        row(7, true, {}),
        row(8, true, {}),
        row(9, true, QStringLiteral("S"), {cleared, cleared, cleared, keep}),
        row(10, true, QStringLiteral("L"), {cleared, cleared, cleared, cleared}),
        row(11, true, QStringLiteral("M"), {}, {true, false, false, false}),
        row(12, true, {}, {keep, keep, keep, QStringLiteral("仕上処理")}, {true, false, false, true}),
    };
}

QString CommandTable::captionOn(const CommandRow& row, Tab tab, const QString& current) const
{
    return row.captions[static_cast<size_t>(tab)].value_or(current);
}
