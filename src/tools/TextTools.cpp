#include "TextTools.h"

#include "SjisCodec.h"

namespace TextTools {

QString fitProblem(const QString& text, int bytes, const QString& what)
{
    QByteArray encoded;
    QString bad;
    if (!SjisCodec::tryEncode(text, encoded, &bad))
        return QStringLiteral("%1に、保存できない文字「%2」が入ります。").arg(what, bad);
    if (encoded.size() > bytes)
        return QStringLiteral("%1が%2バイト（半角%2文字）を超えます。").arg(what).arg(bytes);
    return {};
}

} // namespace TextTools
