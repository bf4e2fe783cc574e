#pragma once

// Internal to the data layer: the only place besides the data layer's own .cpp
// files that sees Firebird's client API.
#include <firebird/Interface.h>

#include <QString>

#include <memory>

namespace FbApi {

Firebird::IMaster* master();
Firebird::IUtil* util();
Firebird::IProvider* provider();

// Converts a Firebird failure into a DbError carrying the statement.
// `role` names the database for the user ("製品データベース"); empty when unknown.
[[noreturn]] void rethrow(const Firebird::FbException& e, const QString& statement = {}, const QString& role = {});

// A status object for a run of calls, given back on every path out. A failure
// reported through it is thrown as an FbException with its own copy of the
// errors, so the exception outlives the guard.
class StatusGuard {
public:
    StatusGuard();
    ~StatusGuard();
    StatusGuard(const StatusGuard&) = delete;
    StatusGuard& operator=(const StatusGuard&) = delete;

    Firebird::ThrowStatusWrapper* get() { return &m_status; }

private:
    Firebird::ThrowStatusWrapper m_status;
};

// Owners of the interfaces a call hands out, so that a throw between getting
// one and giving it back cannot leak it.
struct Release {
    void operator()(Firebird::IReferenceCounted* p) const { p->release(); }
};
struct Dispose {
    void operator()(Firebird::IDisposable* p) const { p->dispose(); }
};
// Cursors and blobs are closed; a close frees them only when it succeeds, so a
// failed one releases them instead.
struct Close {
    template <typename T>
    void operator()(T* p) const noexcept
    {
        StatusGuard status;
        try {
            p->close(status.get());
        } catch (const Firebird::FbException&) {
            p->release();
        }
    }
};

template <typename T>
using Ref = std::unique_ptr<T, Release>; // metadata and their builders
template <typename T>
using Disposable = std::unique_ptr<T, Dispose>; // parameter-block builders
template <typename T>
using Closable = std::unique_ptr<T, Close>; // cursors, blobs

// Closes now and lets a failure through; the owner lets go either way.
template <typename T>
void closeNow(Closable<T>& owned, Firebird::ThrowStatusWrapper* status)
{
    T* p = owned.release();
    try {
        p->close(status);
    } catch (...) {
        p->release();
        throw;
    }
}

} // namespace FbApi
