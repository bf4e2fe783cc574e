#pragma once

#include "UiSeams.h"

#include <QList>

class Database;

// The programs attached to the product database besides this one: every
// attachment but `ours` (the program's connections to it) and the server's own
// workers. Over a network the other connections of this process count as ours
// too; in one process without a server only `ours` can be told apart.
QList<OtherAttachment> otherAttachments(Database& product, const QList<Database*>& ours);
