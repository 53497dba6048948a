#include "db/firebird/Api.h"

#include <map>
#include <mutex>

#include "base/Platform.h"

namespace db::firebird {

namespace {
using GetMasterFunc = Firebird::IMaster* (*)();
}

std::shared_ptr<Api> Api::load(const std::string& vendorLib) {
    // Deliberately never unloaded (see the header): one library per name, loaded
    // once and kept in a registry that is never destroyed.
    static std::mutex mutex;
    static auto* loaded = new std::map<std::string, base::SharedLibrary>;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = loaded->find(vendorLib);
    if (it == loaded->end()) {
        base::SharedLibrary library;
        if (!library.load(vendorLib)) return nullptr;
        it = loaded->emplace(vendorLib, std::move(library)).first;
    }
    auto getMaster = reinterpret_cast<GetMasterFunc>(it->second.symbol("fb_get_master_interface"));
    Firebird::IMaster* master = getMaster ? getMaster() : nullptr;
    if (!master) return nullptr;
    return std::make_shared<Api>(master);
}

Api::Api(Firebird::IMaster* master)
    : master_(master), util_(master->getUtilInterface()), provider_(master->getDispatcher()) {}

}  // namespace db::firebird
