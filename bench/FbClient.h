#pragma once

// The few pieces of Firebird's client API (linked directly, no driver module)
// that the baseline and the database set-up need.
#include <firebird/Interface.h>

#include <functional>
#include <string>
#include <utility>

namespace bench::fb {

Firebird::IMaster* master();

// Owns a reference-counted interface; finish() is for the calls that release the
// interface when they succeed (commit, free, close, detach).
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

// Runs call with a throwing status; a Firebird error becomes std::runtime_error
// carrying context and Firebird's own message.
void guarded(const char* context, const std::function<void(Firebird::ThrowStatusWrapper*)>& call);

// Attaches to an embedded database as OLVTEST with the UTF8 connection character
// set, the way the program's connections do. With forceWrites set, the attach also
// turns the database's forced writes on (kept in its header).
Ref<Firebird::IAttachment> attach(const std::string& path, bool forceWrites = false);
void detach(Ref<Firebird::IAttachment>& attachment);

// Whether the database behind the attachment writes its pages synchronously.
bool forcedWritesOn(Firebird::IAttachment* attachment);

}  // namespace bench::fb
