#pragma once

#include <firebird/Interface.h>

#include <memory>
#include <string>

#include "db/firebird/Ptr.h"

// The Firebird client as loaded by the driver: its master interface, the utility
// interface and the dispatcher (the provider that routes an attachment to the
// embedded engine or a remote server).
namespace db::firebird {

class Api {
public:
    // Loads the client library by name and finds fb_get_master_interface; null
    // when either fails. The library stays loaded for the rest of the process:
    // the client keeps threads and exit handlers of its own, which must not
    // outlive its code.
    static std::shared_ptr<Api> load(const std::string& vendorLib);

    Firebird::IMaster* master() const { return master_; }
    Firebird::IUtil* util() const { return util_; }
    Firebird::IProvider* provider() const { return provider_.get(); }

    explicit Api(Firebird::IMaster* master);

private:
    Firebird::IMaster* master_;
    Firebird::IUtil* util_;
    RefPtr<Firebird::IProvider> provider_;
};

}  // namespace db::firebird
