// Reference-counted framework objects, the nil-object exception and Ref<T>.
#pragma once

#include <cstddef>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "framework/plugin_api.h"

namespace rb {

// Base of every framework object. A new object holds one reference, owned
// by whoever created it. Objects live on the event loop's one thread.
class Object {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object() = default;

  void Lock() { ++refs_; }
  void Unlock() {
    if (--refs_ == 0) delete this;
  }
  int RefCount() const { return refs_; }

  REALobject AsREAL() { return reinterpret_cast<REALobject>(this); }
  static Object* FromREAL(REALobject o) { return reinterpret_cast<Object*>(o); }

 private:
  int refs_ = 1;
};

// Base of run-time exceptions the program may catch.
class RuntimeException : public std::runtime_error {
 public:
  explicit RuntimeException(const std::string& what) : std::runtime_error(what) {}
};

// Raised by any member call or property use on nil.
class NilObjectException : public RuntimeException {
 public:
  NilObjectException() : RuntimeException("NilObjectException") {}
  explicit NilObjectException(const std::string& what) : RuntimeException(what) {}
};

// Strong reference. Dereferencing nil raises NilObjectException.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  // Takes an additional reference.
  explicit Ref(T* p) : p_(p) {
    if (p_) p_->Lock();
  }
  // Takes over the reference the caller holds (a newly created object).
  static Ref Adopt(T* p) {
    Ref r;
    r.p_ = p;
    return r;
  }
  template <class... Args>
  static Ref New(Args&&... args) {
    return Adopt(new T(std::forward<Args>(args)...));
  }
  Ref(const Ref& o) : p_(o.p_) {
    if (p_) p_->Lock();
  }
  Ref(Ref&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  template <class U>
  Ref(const Ref<U>& o) : p_(o.get()) {
    if (p_) p_->Lock();
  }
  ~Ref() {
    if (p_) p_->Unlock();
  }
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }

  T* get() const { return p_; }
  T* operator->() const {
    if (!p_) throw NilObjectException();
    return p_;
  }
  T& operator*() const {
    if (!p_) throw NilObjectException();
    return *p_;
  }
  explicit operator bool() const { return p_ != nullptr; }
  bool operator==(std::nullptr_t) const { return p_ == nullptr; }
  bool operator!=(std::nullptr_t) const { return p_ != nullptr; }
  template <class U>
  bool operator==(const Ref<U>& o) const { return p_ == o.get(); }

  // Gives up the reference to the caller.
  T* Release() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }
  REALobject AsREAL() const { return p_ ? p_->AsREAL() : nullptr; }

 private:
  T* p_ = nullptr;
};

// Checked downcast; nil when the object is of another class.
template <class T, class U>
Ref<T> DynamicCast(const Ref<U>& o) {
  return Ref<T>(dynamic_cast<T*>(o.get()));
}

}  // namespace rb
