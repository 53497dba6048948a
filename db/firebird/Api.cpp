#include "db/firebird/Api.h"

#include "base/Platform.h"

namespace db::firebird {

namespace {
using GetMasterFunc = Firebird::IMaster* (*)();
}

std::shared_ptr<Api> Api::load(const std::string& vendorLib) {
    base::SharedLibrary library;  // loaded for the rest of the process (see the header)
    if (!library.load(vendorLib)) return nullptr;
    auto getMaster = reinterpret_cast<GetMasterFunc>(library.symbol("fb_get_master_interface"));
    Firebird::IMaster* master = getMaster ? getMaster() : nullptr;
    if (!master) return nullptr;
    return std::make_shared<Api>(master,
                                 reinterpret_cast<SqlStateFunc>(library.symbol("fb_sqlstate")));
}

Api::Api(Firebird::IMaster* master, SqlStateFunc sqlState)
    : master_(master),
      util_(master->getUtilInterface()),
      provider_(master->getDispatcher()),
      sqlState_(sqlState) {}

std::string Api::sqlState(const intptr_t* errors) const {
    if (!sqlState_ || !errors) return {};
    char state[6] = {};
    sqlState_(state, errors);
    return std::string(state, 5) == "00000" ? std::string() : std::string(state, 5);
}

}  // namespace db::firebird
