#pragma once

#include "UiSeams.h"

#include <QList>

class Database;

// Which attachments are the program's own. Every connection of this process is
// (the member import keeps one of its own to the product database); a test that
// plays another program from inside the process counts only the listed ones.
enum class OwnAttachments { ThisProcess, ListedOnly };

// The programs attached to the product database besides this one: every
// attachment but the program's own (`ours`, the program's connections to it, and
// with ThisProcess any other of this process) and the server's own workers.
QList<OtherAttachment> otherAttachments(Database& product, const QList<Database*>& ours,
                                        OwnAttachments own = OwnAttachments::ThisProcess);
