#pragma once
// A vector whose resize leaves new elements of a plain record type unwritten, for a buffer that
// reading threads fill place by place: each page of it is then first touched by the thread that
// fills it, at the same time, instead of being cleared by one thread beforehand. The record type
// must be an aggregate that is trivially copyable and destructible; its objects begin with the
// storage, so the elements may be assigned without having been constructed.

#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace rt {

template <typename T>
struct UnfilledAllocator : std::allocator<T> {
  UnfilledAllocator() = default;
  template <typename U>
  UnfilledAllocator(const UnfilledAllocator<U>&) noexcept {}  // NOLINT(google-explicit-constructor)
  template <typename U>
  struct rebind {
    using other = UnfilledAllocator<U>;
  };
  template <typename U>
  void construct(U*) noexcept {
    static_assert(std::is_aggregate_v<U> && std::is_trivially_copyable_v<U> && std::is_trivially_destructible_v<U>);
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

template <typename T>
using UnfilledVector = std::vector<T, UnfilledAllocator<T>>;

}  // namespace rt
