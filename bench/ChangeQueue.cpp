#include "bench/ChangeQueue.h"

namespace bench {

std::string queueChangesSql(const std::string& store, long long rows, const std::string& state) {
    return "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN "
           "WHILE (i < " +
           std::to_string(rows) +
           ") DO BEGIN "
           "INSERT INTO PRODUCT_WAIT (STORE_ID, PROD_ID, STATE, TRAN_CODE) VALUES ('" +
           store + "', 'P' || LPAD(CAST(:i AS VARCHAR(12)), 8, '0'), '" + state +
           "', 'N'); "
           "i = i + 1; END END";
}

std::string changedProductsSql(const std::string& store) {
    return "SELECT A.* FROM PRODUCT A INNER JOIN PRODUCT_WAIT B ON A.PROD_ID = B.PROD_ID "
           "WHERE B.STORE_ID = '" +
           store + "' AND B.STATE <> 'DELETE'";
}

std::string removeQueuedChangesSql(const std::string& store) {
    return "DELETE FROM PRODUCT_WAIT WHERE STORE_ID = '" + store + "'";
}

}  // namespace bench
