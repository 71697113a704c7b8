// Owners for the three kinds of COM resources, so that early returns and
// exceptions cannot leak them. They keep the COM semantics visible: get()
// lends, release() hands ownership out, put() yields the address for an
// [out] parameter after freeing the old value.
#pragma once

#include <new>
#include <string_view>
#include <utility>

#include "bstr.h"
#include "interfaces.h"
#include "variant.h"

namespace vellum {

// Owns one BSTR (null is the empty string).
class BStr {
public:
    BStr() = default;
    // Copies text; throws std::bad_alloc when the BSTR cannot be allocated.
    explicit BStr(std::u16string_view text) : value_(AllocBstr(text)) {
        if (!value_) throw std::bad_alloc();
    }
    static BStr Attach(BSTR owned) {
        BStr b;
        b.value_ = owned;
        return b;
    }
    BStr(BStr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
    BStr& operator=(BStr&& other) noexcept {
        if (this != &other) reset(std::exchange(other.value_, nullptr));
        return *this;
    }
    BStr(const BStr&) = delete;
    BStr& operator=(const BStr&) = delete;
    ~BStr() { SysFreeString(value_); }

    BSTR get() const { return value_; }
    std::u16string_view view() const { return BstrView(value_); }
    UINT length() const { return SysStringLen(value_); }
    BSTR release() { return std::exchange(value_, nullptr); }
    void reset(BSTR owned = nullptr) { SysFreeString(std::exchange(value_, owned)); }
    BSTR* put() {
        reset();
        return &value_;
    }

private:
    BSTR value_ = nullptr;
};

// Owns one VARIANT, cleared on destruction.
class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&value_); }
    ScopedVariant(ScopedVariant&& other) noexcept : value_(other.value_) {
        VariantInit(&other.value_);
    }
    ScopedVariant& operator=(ScopedVariant&& other) noexcept {
        if (this != &other) {
            VariantClear(&value_);
            value_ = other.value_;
            VariantInit(&other.value_);
        }
        return *this;
    }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { VariantClear(&value_); }

    VARIANT* get() { return &value_; }
    const VARIANT* get() const { return &value_; }
    VARIANT* operator->() { return &value_; }
    const VARIANT* operator->() const { return &value_; }
    // Clears the value and returns the address for an [out] VARIANT.
    VARIANT* put() {
        VariantClear(&value_);
        return &value_;
    }
    // Hands the value out (the caller clears it); this one becomes VT_EMPTY.
    VARIANT release() {
        VARIANT out = value_;
        VariantInit(&value_);
        return out;
    }

private:
    VARIANT value_;
};

// Holds one reference to an interface.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already owns.
    static ComPtr Attach(T* owned) {
        ComPtr p;
        p.ptr_ = owned;
        return p;
    }
    ComPtr(const ComPtr& other) : ptr_(other.ptr_) {
        if (ptr_) ptr_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    T* detach() { return std::exchange(ptr_, nullptr); }
    void reset() {
        if (T* old = std::exchange(ptr_, nullptr)) old->Release();
    }
    // Releases the current reference; the address receives a new one.
    T** put() {
        reset();
        return &ptr_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    // QueryInterface into another smart pointer.
    template <typename U>
    HRESULT As(REFIID iid, ComPtr<U>& out) const {
        if (!ptr_) return E_POINTER;
        return ptr_->QueryInterface(iid, out.put_void());
    }

private:
    T* ptr_ = nullptr;
};

}  // namespace vellum
