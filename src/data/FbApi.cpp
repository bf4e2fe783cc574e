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
    QList<long> codes;
    // Clusters of (argument type, value); the error codes are the isc_arg_gds ones.
    for (const intptr_t* p = errors; p && *p != isc_arg_end; p += 2) {
        if (*p == isc_arg_gds)
            codes << static_cast<long>(p[1]);
        else if (*p == isc_arg_cstring)
            ++p; // length, then the pointer
    }
    // Firebird's messages may quote statement text in the connection character set.
    DbError error(SjisCodec::decode(QByteArray(buf)), statement, sqlCode, gds);
    error.setCodes(codes);
    throw error;
}

} // namespace FbApi
