#pragma once

// Direct access to Firebird through its OO API, linked against libfbclient, for
// olv_testsupport and the benchmark's baseline. Independent of the driver module
// under test.
#include <firebird/Interface.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport::fb {

// Owns a reference-counted Firebird interface.
template <typename T>
class Ref {
  public:
    Ref() = default;
    explicit Ref(T* p) : p_(p) {}
    ~Ref() { reset(); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    Ref& operator=(Ref&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    void reset() noexcept {
        if (p_) p_->release();
        p_ = nullptr;
    }
    // For calls that release the interface when they succeed (commit, detach, close).
    template <typename F>
    void finish(F&& call) {
        if (!p_) return;
        call(p_);
        p_ = nullptr;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

Firebird::IMaster* master();

// Runs call with a throwing status wrapper; a Firebird error becomes
// std::runtime_error with Firebird's formatted message (prefixed by context).
void run(const std::string& context,
         const std::function<void(Firebird::ThrowStatusWrapper*)>& call);

struct AttachOptions {
    std::string user = "OLVTEST";
    std::string password = "olvtest";  // ignored by the embedded engine
    std::string charset = "UTF8";
    // Turns the database's forced writes on (the setting is kept in its header).
    bool forceWrites = false;
};

Ref<Firebird::IAttachment> attach(const std::string& database, const AttachOptions& = {});
// Creates an embedded database owned by the user, default character set UTF8,
// dialect 3, page size 8192, forced writes off unless forceWrites is set.
Ref<Firebird::IAttachment> create(const std::string& path, const AttachOptions& = {});
void detach(Ref<Firebird::IAttachment>& attachment);
// Whether the database behind the attachment writes its pages synchronously.
bool forcedWritesOn(Firebird::IAttachment* attachment);

// Each statement in a transaction of its own, committed.
void execute(Firebird::IAttachment* attachment, const std::string& sql);
// All rows, each value as text (see TestDatabases.h for the forms).
std::vector<std::vector<std::string>> query(Firebird::IAttachment* attachment,
                                            const std::string& sql);

}  // namespace testsupport::fb

namespace testsupport {
// Runs the statements of an SQL script (see runScript) on an open attachment.
void runStatements(Firebird::IAttachment* attachment, const std::string& script);
}  // namespace testsupport
