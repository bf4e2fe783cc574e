#include "SjisCodec.h"

#include <unicode/ucnv.h>

#include <memory>

namespace {

struct ConverterDeleter {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterDeleter>;

ConverterPtr openConverter(bool strict)
{
    UErrorCode err = U_ZERO_ERROR;
    ConverterPtr conv(ucnv_open("windows-31j", &err));
    if (U_FAILURE(err) || !conv)
        return nullptr;
    if (strict) {
        err = U_ZERO_ERROR;
        ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
    }
    return conv;
}

// Converters are not thread-safe; the program is single-threaded, but tests and
// tools may not be, so each thread keeps its own. Opening or cloning one for
// every cell cost more than the conversion itself.
UConverter* converter(bool strict)
{
    thread_local ConverterPtr strictConv, lenientConv;
    ConverterPtr& cached = strict ? strictConv : lenientConv;
    if (!cached)
        cached = openConverter(strict);
    else
        ucnv_reset(cached.get());
    return cached.get();
}

} // namespace

namespace SjisCodec {

QString normalize(const QString& text)
{
    QString out = text;
    for (QChar& ch : out) {
        switch (ch.unicode()) {
        case 0x301C: ch = QChar(0xFF5E); break; // WAVE DASH -> FULLWIDTH TILDE
        case 0x2212: ch = QChar(0xFF0D); break; // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
        case 0x2016: ch = QChar(0x2225); break; // DOUBLE VERTICAL LINE -> PARALLEL TO
        case 0x00AC: ch = QChar(0xFFE2); break; // NOT SIGN -> FULLWIDTH NOT SIGN
        case 0x00A2: ch = QChar(0xFFE0); break; // CENT SIGN
        case 0x00A3: ch = QChar(0xFFE1); break; // POUND SIGN
        case 0x00A5: ch = QChar(0x005C); break; // YEN SIGN: byte 0x5C, shown as ¥ on Japanese Windows
        case 0x2014: ch = QChar(0x2015); break; // EM DASH -> HORIZONTAL BAR (cp932's dash)
        default: break;
        }
    }
    return out;
}

bool tryEncode(const QString& text, QByteArray& out, QString* badChar)
{
    out.clear();
    if (text.isEmpty())
        return true;
    const QString norm = normalize(text);
    UConverter* conv = converter(true);
    if (!conv)
        return false;
    out.resize(norm.size() * 2 + 8);
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n =
        ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                        reinterpret_cast<const UChar*>(norm.utf16()), static_cast<int32_t>(norm.size()), &err);
    if (U_FAILURE(err)) {
        if (badChar) {
            // Find the first character that does not encode on its own.
            badChar->clear();
            for (int i = 0; i < norm.size(); ++i) {
                int len = (norm.at(i).isHighSurrogate() && i + 1 < norm.size()) ? 2 : 1;
                QByteArray one(8, '\0');
                UErrorCode e = U_ZERO_ERROR;
                ucnv_fromUChars(converter(true), one.data(), 8, reinterpret_cast<const UChar*>(norm.utf16() + i), len,
                                &e);
                if (U_FAILURE(e)) {
                    *badChar = norm.mid(i, len);
                    break;
                }
                i += len - 1;
            }
        }
        out.clear();
        return false;
    }
    out.resize(n);
    return true;
}

QByteArray encode(const QString& text)
{
    QByteArray out;
    if (tryEncode(text, out))
        return out;
    const QString norm = normalize(text);
    UConverter* conv = converter(false);
    if (!conv)
        return norm.toLatin1();
    UErrorCode err = U_ZERO_ERROR;
    const char sub = '?';
    ucnv_setSubstChars(conv, &sub, 1, &err);
    err = U_ZERO_ERROR;
    out.resize(norm.size() * 2 + 8);
    const int32_t n =
        ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                        reinterpret_cast<const UChar*>(norm.utf16()), static_cast<int32_t>(norm.size()), &err);
    out.resize(U_FAILURE(err) ? 0 : n);
    return out;
}

QString decode(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return {};
    UConverter* conv = converter(false);
    if (!conv)
        return QString::fromLatin1(bytes);
    QString out(bytes.size() + 1, Qt::Uninitialized);
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                                    bytes.constData(), static_cast<int32_t>(bytes.size()), &err);
    if (U_FAILURE(err))
        return QString::fromLatin1(bytes);
    out.resize(n);
    return out;
}

int byteLength(const QString& text)
{
    return static_cast<int>(encode(text).size());
}

} // namespace SjisCodec
