#include "db/firebird/Status.h"

#include <algorithm>
#include <array>
#include <vector>

#include "db/Error.h"

namespace db::firebird {
namespace {

// The GDS codes that say the link or the database failed, not the statement.
constexpr std::array<long, 30> kLinkFailureCodes{
    isc_bad_db_format,
    isc_bad_db_handle,
    isc_db_corrupt,
    isc_io_error,
    isc_sys_request,
    isc_unavailable,
    isc_wrong_ods,
    isc_connect_reject,
    isc_login,
    isc_shutinprog,
    isc_shutdown,
    isc_conn_lost,
    isc_net_lookup_err,
    isc_net_init_error,
    isc_network_error,
    isc_net_connect_err,
    isc_net_connect_listen_err,
    isc_net_event_connect_err,
    isc_net_event_listen_err,
    isc_net_read_err,
    isc_net_write_err,
    isc_lost_db_connection,
    isc_bad_protocol,
    isc_att_shutdown,
    isc_net_server_shutdown,
    isc_no_lock_mgr,
    isc_lockmanerr,
    isc_bug_check,
    isc_conf_access_denied,
    isc_auth_data,
};

// The GDS codes of an error vector, in order.
std::vector<long> gdsCodes(const intptr_t* v) {
    std::vector<long> codes;
    while (v && *v != isc_arg_end) {
        const intptr_t argument = *v++;
        if (argument == isc_arg_gds) codes.push_back(static_cast<long>(*v));
        v += argument == isc_arg_cstring ? 2 : 1;
    }
    return codes;
}

bool isLinkFailure(const std::vector<long>& codes, const std::string& sqlState) {
    if (sqlState.rfind("08", 0) == 0) return true;  // the SQL standard's connection exceptions
    return std::any_of(codes.begin(), codes.end(), [](long code) {
        return std::find(kLinkFailureCodes.begin(), kLinkFailureCodes.end(), code) !=
               kLinkFailureCodes.end();
    });
}

}  // namespace

Status::Status(const Api& api) : status_(api.master()->getStatus()), wrapper_(status_.get()) {}

std::string formatStatus(const Api& api, Firebird::IStatus* status) {
    char buffer[4096];
    const unsigned n = api.util()->formatStatus(buffer, sizeof buffer, status);
    std::string text(buffer, n < sizeof buffer ? n : sizeof buffer - 1);
    if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

db::Error errorOf(const Api& api, Firebird::IStatus* status) {
    const intptr_t* errors = status->getErrors();
    const std::vector<long> codes = gdsCodes(errors);
    std::string sqlState = api.sqlState(errors);
    const ErrorKind kind =
        isLinkFailure(codes, sqlState) ? ErrorKind::LinkFailed : ErrorKind::Refused;
    return db::Error(formatStatus(api, status), kind, codes.empty() ? 0 : codes.front(),
                     std::move(sqlState));
}

void throwError(const Api& api, const Firebird::FbException& e) {
    throw errorOf(api, e.getStatus());
}

}  // namespace db::firebird
