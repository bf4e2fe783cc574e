#pragma once

#include <QByteArray>
#include <QString>

// The one codec for every Shift-JIS byte stream of the program: files of the suite
// and the CP943C text of the database connections (ICU's "windows-31j").
namespace SjisCodec {

// Maps the JIS look-alikes that Linux input methods type (〜 − ‖ ¬ ¢ £ ¥) to the
// forms Windows code page 932 stores, so that they can be encoded at all.
QString normalize(const QString& text);

// Encodes after normalize(). Returns false (and leaves `out` partial) when a
// character has no Shift-JIS form; `badChar` then holds the first such character.
bool tryEncode(const QString& text, QByteArray& out, QString* badChar = nullptr);

// Encodes, replacing unencodable characters by '?'. For files where losing a rare
// character is better than refusing to write.
QByteArray encode(const QString& text);

QString decode(const QByteArray& bytes);

// Byte length of the Shift-JIS form (2 for a double-byte character, 1 otherwise).
int byteLength(const QString& text);

} // namespace SjisCodec
