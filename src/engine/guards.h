// Small owners for handles, keys and clean-up work, released on every way
// out of a scope.
#ifndef SETUPVDL_GUARDS_H
#define SETUPVDL_GUARDS_H

#include <windows.h>

#include <utility>

template <typename T, T Empty, typename Closer>
class UniqueAny {
 public:
  UniqueAny() = default;
  explicit UniqueAny(T value) : value_(value) {}
  ~UniqueAny() { reset(); }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;

  T get() const { return value_; }
  T* put() {
    reset();
    return &value_;
  }
  explicit operator bool() const { return value_ != Empty; }
  // Closes now; the guard is empty afterwards so it never closes twice.
  void reset(T value = Empty) {
    if (value_ != Empty) Closer()(value_);
    value_ = value;
  }
  T release() {
    T value = value_;
    value_ = Empty;
    return value;
  }

 private:
  T value_ = Empty;
};

struct CloseKey {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
struct CloseHandleOf {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct DeleteGdiObject {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

using UniqueHkey = UniqueAny<HKEY, nullptr, CloseKey>;
using UniqueHandle = UniqueAny<HANDLE, nullptr, CloseHandleOf>;

// A file handle is empty at INVALID_HANDLE_VALUE, not at null.
class UniqueFile {
 public:
  UniqueFile() = default;
  explicit UniqueFile(HANDLE file) : file_(file) {}
  ~UniqueFile() { reset(); }
  UniqueFile(const UniqueFile&) = delete;
  UniqueFile& operator=(const UniqueFile&) = delete;
  HANDLE get() const { return file_; }
  explicit operator bool() const { return file_ != INVALID_HANDLE_VALUE; }
  void reset(HANDLE file = INVALID_HANDLE_VALUE) {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = file;
  }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

// Runs a callable when the scope ends, unless released.
template <typename F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ~ScopeExit() {
    if (armed_) f_();
  }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;
  void release() { armed_ = false; }

 private:
  F f_;
  bool armed_ = true;
};

template <typename F>
ScopeExit<F> MakeScopeExit(F f) {
  return ScopeExit<F>(std::move(f));
}

#endif
