#pragma once

#include <utility>

// Owning pointers for Firebird's interfaces. Nothing else calls release() or
// dispose(): a reference-counted interface (IAttachment, ITransaction, IStatement,
// IResultSet, IBlob, IMessageMetadata, IMetadataBuilder, IProvider) is held by a
// RefPtr, a disposable one (IStatus, IXpbBuilder) by a DisposablePtr.
namespace db::firebird {

// Releases its interface when destroyed or reset. An interface that a successful
// Firebird call has released itself (commit, rollback, detach, close, free) is
// given up with finish(): the call runs on the pointer and, if it returns without
// throwing, the pointer forgets the interface; if it throws, the interface stays
// owned and is released later as usual.
template <typename T>
class RefPtr {
  public:
    RefPtr() = default;
    // Takes over a reference the caller owns (as Firebird's factory calls return).
    explicit RefPtr(T* p) : p_(p) {}
    // Adds a reference of its own to a borrowed interface.
    static RefPtr share(T* p) {
        if (p) p->addRef();
        return RefPtr(p);
    }
    ~RefPtr() { reset(); }
    RefPtr(const RefPtr&) = delete;
    RefPtr& operator=(const RefPtr&) = delete;
    RefPtr(RefPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    RefPtr& operator=(RefPtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }

    void reset(T* p = nullptr) noexcept {
        if (p_) p_->release();
        p_ = p;
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

// Disposes its interface when destroyed.
template <typename T>
class DisposablePtr {
  public:
    DisposablePtr() = default;
    explicit DisposablePtr(T* p) : p_(p) {}
    ~DisposablePtr() { reset(); }
    DisposablePtr(const DisposablePtr&) = delete;
    DisposablePtr& operator=(const DisposablePtr&) = delete;
    DisposablePtr(DisposablePtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    DisposablePtr& operator=(DisposablePtr&& o) noexcept {
        if (this != &o) {
            reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    void reset(T* p = nullptr) noexcept {
        if (p_) p_->dispose();
        p_ = p;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

}  // namespace db::firebird
