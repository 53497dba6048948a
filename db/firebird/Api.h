#pragma once

#include <firebird/Interface.h>

#include <cstdint>
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
    // The SQLSTATE of a failed call's error vector, empty when the client cannot
    // tell one (or has no fb_sqlstate).
    std::string sqlState(const intptr_t* errors) const;

    using SqlStateFunc = void (*)(char*, const intptr_t*);
    Api(Firebird::IMaster* master, SqlStateFunc sqlState);

  private:
    Firebird::IMaster* master_;
    Firebird::IUtil* util_;
    RefPtr<Firebird::IProvider> provider_;
    SqlStateFunc sqlState_;
};

}  // namespace db::firebird
