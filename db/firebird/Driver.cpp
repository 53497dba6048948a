#include "db/firebird/Driver.h"

#include "db/firebird/Connection.h"

namespace db::firebird {

std::unique_ptr<Connection> FbDriver::createConnection() {
    return std::make_unique<FbConnection>(api_);
}

}  // namespace db::firebird
