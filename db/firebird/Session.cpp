#include "db/firebird/Session.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "base/Text.h"
#include "db/Error.h"
#include "db/firebird/Status.h"
#include "db/firebird/TransactionOptions.h"

namespace db::firebird {

namespace {

// A positive whole number, or -1.
int wholeNumber(const std::string& text) {
    const std::string t = base::trimmed(text);
    if (t.empty() || t.size() > 9) return -1;
    for (char c : t)
        if (c < '0' || c > '9') return -1;
    return std::atoi(t.c_str());
}

// The seconds of the first "Connection Timeout" line with a positive whole number,
// 0 for none (the client's own ConnectTimeout then holds).
int connectTimeoutSeconds(const ConnectOptions& o) {
    int seconds = 0;
    for (const auto& [key, value] : o.extra) {
        if (seconds == 0 && base::sameName(base::trimmed(key), "Connection Timeout"))
            seconds = std::max(wholeNumber(value), 0);
    }
    return seconds;
}

// The server part of "host:/path" or "host/port:/path".
std::string serverOf(const std::string& database) {
    const auto colon = database.find(':');
    return colon == std::string::npos ? database : database.substr(0, colon);
}

// The message of a failed connect: one that gave up at the connect timeout says
// so first, since Firebird's own ("connection rejected by remote interface", "Error
// reading data from the connection") reads like a refusal.
std::string attachFailure(const db::Error& e, const std::string& database, int timeoutSeconds,
                          std::chrono::steady_clock::duration waited) {
    const bool timedOut =
        timeoutSeconds > 0 && e.linkFailed() &&
        waited + std::chrono::milliseconds(250) >= std::chrono::seconds(timeoutSeconds);
    if (!timedOut) return e.what();
    return "The server " + serverOf(database) + " did not answer within " +
           std::to_string(timeoutSeconds) + " seconds (Connection Timeout)\n" + e.what();
}

// The client's per-attachment configuration (firebird.conf syntax) for what the
// options ask of the link; empty when they leave the client's own in force.
std::string clientConfig(const ConnectOptions& o) {
    std::string config;
    switch (o.wireCrypt) {
        case WireCrypt::Default:
            break;
        case WireCrypt::Disabled:
            config += "WireCrypt = Disabled\n";
            break;
        case WireCrypt::Enabled:
            config += "WireCrypt = Enabled\n";
            break;
        case WireCrypt::Required:
            config += "WireCrypt = Required\n";
            break;
    }
    if (o.wireCompression) {
        config +=
            std::string("WireCompression = ") + (*o.wireCompression ? "true" : "false") + "\n";
    }
    return config;
}

}  // namespace

Session::Session(std::shared_ptr<Api> api) : api_(std::move(api)) {}

Session::~Session() {
    try {
        detach();
    } catch (...) {
    }
}

void Session::attach(const ConnectOptions& o) {
    if (attachment_) detach();
    options_ = o;
    tables_.clear();
    const std::string database = base::trimmed(o.database);
    lost_ = false;
    const auto started = std::chrono::steady_clock::now();
    try {
        attachTo(database, o);
    } catch (const db::Error& e) {
        // Whatever stopped it, the connection could not be made.
        throw db::Error(attachFailure(e, database, connectTimeoutSeconds(o),
                                      std::chrono::steady_clock::now() - started),
                        ErrorKind::LinkFailed, e.gdsCode(), e.sqlState());
    }
}

void Session::attachTo(const std::string& database, const ConnectOptions& o) {
    firebird::guarded(api(), [&](Firebird::ThrowStatusWrapper* st) {
        DisposablePtr<Firebird::IXpbBuilder> dpb(
            api().util()->getXpbBuilder(st, Firebird::IXpbBuilder::DPB, nullptr, 0));
        if (!o.user.empty()) dpb->insertString(st, isc_dpb_user_name, o.user.c_str());
        if (!o.password.empty()) dpb->insertString(st, isc_dpb_password, o.password.c_str());
        if (!o.role.empty()) dpb->insertString(st, isc_dpb_sql_role_name, o.role.c_str());
        if (!o.charset.empty()) dpb->insertString(st, isc_dpb_lc_ctype, o.charset.c_str());
        dpb->insertInt(st, isc_dpb_sql_dialect, o.dialect);
        const std::string config = clientConfig(o);
        if (!config.empty()) dpb->insertString(st, isc_dpb_config, config.c_str());
        if (const int seconds = connectTimeoutSeconds(o); seconds > 0)
            dpb->insertInt(st, isc_dpb_connect_timeout, seconds);
        attachment_.reset(api().provider()->attachDatabase(
            st, database.c_str(), dpb->getBufferLength(st), dpb->getBuffer(st)));
    });
}

void Session::commitQuietly(RefPtr<Firebird::ITransaction>& transaction, std::string& firstError) {
    if (!transaction) return;
    try {
        guarded([&](Firebird::ThrowStatusWrapper* st) {
            transaction.finish([&](Firebird::ITransaction* t) { t->commit(st); });
        });
    } catch (const db::Error& e) {
        if (firstError.empty()) firstError = e.what();
    }
    transaction.reset();
}

void Session::detach() {
    if (lost_) {
        releaseLost();
        return;
    }
    std::string firstError;
    if (explicit_) {
        try {
            guarded([&](Firebird::ThrowStatusWrapper* st) {
                explicit_.finish([&](Firebird::ITransaction* t) { t->rollback(st); });
            });
        } catch (const db::Error& e) {
            firstError = e.what();
        }
        explicit_.reset();
    }
    commitQuietly(implicit_, firstError);
    commitQuietly(retained_, firstError);
    if (attachment_) {
        try {
            guarded([&](Firebird::ThrowStatusWrapper* st) {
                attachment_.finish([&](Firebird::IAttachment* a) { a->detach(st); });
            });
        } catch (const db::Error& e) {
            if (firstError.empty()) firstError = e.what();
        }
        attachment_.reset();
    }
    tables_.clear();
    if (!firstError.empty()) throw db::Error(firstError);
}

void Session::releaseLost() noexcept {
    explicit_.reset();
    implicit_.reset();
    retained_.reset();
    attachment_.reset();
    tables_.clear();
    lost_ = false;
}

bool Session::ping() noexcept {
    if (!attached()) return false;
    try {
        guarded([&](Firebird::ThrowStatusWrapper* st) { attachment_->ping(st); });
        return true;
    } catch (...) {
        // A ping that fails for any reason means the attachment cannot be trusted.
        lost_ = true;
        return false;
    }
}

Firebird::IAttachment* Session::attachment() const {
    if (!attachment_) throw db::Error("Not connected");
    return attachment_.get();
}

RefPtr<Firebird::ITransaction> Session::start(Isolation isolation, bool autocommit) {
    Firebird::IAttachment* att = attachment();
    const std::vector<uint8_t> tpb =
        buildTpb(api(), TransactionOptions{isolation, options_.waitOnLocks,
                                           options_.lockTimeoutSeconds, autocommit});
    return guarded([&](Firebird::ThrowStatusWrapper* st) {
        return RefPtr<Firebird::ITransaction>(
            att->startTransaction(st, static_cast<unsigned>(tpb.size()), tpb.data()));
    });
}

Firebird::ITransaction* Session::current() {
    if (explicit_) return explicit_.get();
    if (!implicit_) implicit_ = start(options_.isolation, true);
    return implicit_.get();
}

void Session::startTransaction(Isolation isolation) {
    if (explicit_) throw db::Error("A transaction is already active");
    attachment();
    // The implicit transaction has committed everything it ran already.
    if (implicit_) endImplicitTransaction();
    if (retained_ && retainedIsolation_ == isolation) {
        explicit_ = std::move(retained_);
        return;
    }
    std::string firstError;
    commitQuietly(retained_, firstError);
    explicit_ = start(isolation, false);
    retainedIsolation_ = isolation;
}

void Session::commit() {
    if (!explicit_) throw db::Error("No transaction is active");
    guarded([&](Firebird::ThrowStatusWrapper* st) {
        if (options_.commitRetain) {
            explicit_->commitRetaining(st);
            retained_ = std::move(explicit_);
        } else {
            explicit_.finish([&](Firebird::ITransaction* t) { t->commit(st); });
        }
    });
}

void Session::rollback() {
    if (!explicit_) throw db::Error("No transaction is active");
    try {
        guarded([&](Firebird::ThrowStatusWrapper* st) {
            explicit_.finish([&](Firebird::ITransaction* t) { t->rollback(st); });
        });
    } catch (...) {
        // A transaction that could not be rolled back is given up all the same:
        // the server undoes it when the attachment ends.
        explicit_.reset();
        throw;
    }
}

void Session::endImplicitTransaction() {
    if (!implicit_) return;
    try {
        guarded([&](Firebird::ThrowStatusWrapper* st) {
            implicit_.finish([&](Firebird::ITransaction* t) { t->commit(st); });
        });
    } catch (...) {
        implicit_.reset();
        throw;
    }
}

bool Session::isComputed(const std::string& relation, const std::string& field) {
    return tables_.isComputed(*this, relation, field);
}

bool Session::isPrimaryKey(const std::string& relation, const std::string& field) {
    return tables_.isPrimaryKey(*this, relation, field);
}

}  // namespace db::firebird
