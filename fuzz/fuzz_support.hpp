#pragma once
// Shared pieces of the libFuzzer targets (included by exactly one source per
// target executable).
//
// The readers refuse a grid only when it would not fit in this machine's
// physical memory, so a header with counts of a few thousand asks for
// gigabytes quite legitimately. Under the fuzzer's memory limit that would be
// reported as a fault although the program behaves as designed; the targets
// therefore replace operator new with one that refuses blocks larger than
// kFuzzAllocationCap by throwing std::bad_alloc, the same path as a real
// failed allocation, and treat bad_alloc as a clean end of the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

namespace tessaro_fuzz {

inline constexpr std::size_t kFuzzAllocationCap = std::size_t{64} << 20;

inline void* checked_alloc(std::size_t size) {
  if (size > kFuzzAllocationCap) throw std::bad_alloc();
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

inline void* checked_aligned_alloc(std::size_t size, std::align_val_t align) {
  if (size > kFuzzAllocationCap) throw std::bad_alloc();
  const std::size_t a = static_cast<std::size_t>(align);
  const std::size_t rounded = ((size == 0 ? 1 : size) + a - 1) / a * a;
  void* p = std::aligned_alloc(a, rounded);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace tessaro_fuzz

// Every replaceable form, so none is taken from the sanitizer runtime beside these.
void* operator new(std::size_t size) { return tessaro_fuzz::checked_alloc(size); }
void* operator new[](std::size_t size) { return tessaro_fuzz::checked_alloc(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try { return tessaro_fuzz::checked_alloc(size); } catch (...) { return nullptr; }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try { return tessaro_fuzz::checked_alloc(size); } catch (...) { return nullptr; }
}
void* operator new(std::size_t size, std::align_val_t al) { return tessaro_fuzz::checked_aligned_alloc(size, al); }
void* operator new[](std::size_t size, std::align_val_t al) { return tessaro_fuzz::checked_aligned_alloc(size, al); }
void* operator new(std::size_t size, std::align_val_t al, const std::nothrow_t&) noexcept {
  try { return tessaro_fuzz::checked_aligned_alloc(size, al); } catch (...) { return nullptr; }
}
void* operator new[](std::size_t size, std::align_val_t al, const std::nothrow_t&) noexcept {
  try { return tessaro_fuzz::checked_aligned_alloc(size, al); } catch (...) { return nullptr; }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
