#pragma once

#include <memory>

#include "db/Driver.h"
#include "db/firebird/Api.h"

// The Firebird driver: hands out connections over the loaded client.
namespace db::firebird {

class FbDriver final : public db::Driver {
  public:
    explicit FbDriver(std::shared_ptr<Api> api) : api_(std::move(api)) {}
    std::unique_ptr<Connection> createConnection() override;

  private:
    std::shared_ptr<Api> api_;
};

}  // namespace db::firebird
