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

void rethrow(const Firebird::FbException& e, const QString& statement, const QString& role)
{
    char buf[2048];
    util()->formatStatus(buf, sizeof buf, e.getStatus());
    const intptr_t* errors = e.getStatus()->getErrors();
    long gds = (errors && errors[0] == isc_arg_gds) ? static_cast<long>(errors[1]) : 0;
    int sqlCode = errors ? static_cast<int>(isc_sqlcode(errors)) : 0;
    ErrorText::Status status;
    // Clusters of (argument type, value); each argument belongs to the error code before it.
    for (const intptr_t* p = errors; p && *p != isc_arg_end; p += 2) {
        switch (*p) {
        case isc_arg_gds: status.entries.append({static_cast<long>(p[1]), {}, {}}); break;
        case isc_arg_string:
        case isc_arg_interpreted:
            if (!status.entries.isEmpty())
                status.entries.last().strings << SjisCodec::decode(QByteArray(reinterpret_cast<const char*>(p[1])));
            break;
        case isc_arg_cstring:
            if (!status.entries.isEmpty())
                status.entries.last().strings
                    << SjisCodec::decode(QByteArray(reinterpret_cast<const char*>(p[2]), static_cast<qsizetype>(p[1])));
            ++p; // length, then the pointer
            break;
        case isc_arg_number:
            if (!status.entries.isEmpty())
                status.entries.last().numbers << static_cast<long>(p[1]);
            break;
        case isc_arg_unix: status.osError = static_cast<int>(p[1]); break;
        default: break;
        }
    }
    // Firebird's messages may quote statement text in the connection character set.
    DbError error(SjisCodec::decode(QByteArray(buf)), statement, sqlCode, gds);
    error.explain(status);
    if (!role.isEmpty())
        error.setRole(role);
    throw error;
}

} // namespace FbApi
