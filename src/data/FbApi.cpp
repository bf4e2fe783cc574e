#include "FbApi.h"

#include "DbError.h"
#include "SjisCodec.h"

#include <ibase.h>

namespace FbApi {

Firebird::IMaster* master()
{
    static Firebird::IMaster* m = Firebird::fb_get_master_interface();
    return m;
}

Firebird::IUtil* util()
{
    return master()->getUtilInterface();
}

Firebird::IProvider* provider()
{
    static Firebird::IProvider* p = master()->getDispatcher();
    return p;
}

StatusGuard::StatusGuard() : m_status(master()->getStatus()) {}

StatusGuard::~StatusGuard()
{
    m_status.dispose();
}

void rethrow(const Firebird::FbException& e, const QString& statement)
{
    char buf[2048];
    util()->formatStatus(buf, sizeof buf, e.getStatus());
    const intptr_t* errors = e.getStatus()->getErrors();
    long gds = (errors && errors[0] == isc_arg_gds) ? static_cast<long>(errors[1]) : 0;
    int sqlCode = errors ? static_cast<int>(isc_sqlcode(errors)) : 0;
    // Firebird's messages may quote statement text in the connection character set.
    throw DbError(SjisCodec::decode(QByteArray(buf)), statement, sqlCode, gds);
}

} // namespace FbApi
