// The library is built without exceptions, but the C++ runtime it links
// statically would still bring its exception machinery (and a demangler)
// for the few places that throw. These take their place: running out of
// memory, or a string grown past its limit, ends the process at once, as
// an exception that nothing catches would.
#include <cstdlib>
#include <new>

namespace std {
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
// The library's own checks (an index past the end and the like).
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept { abort(); }
}  // namespace std

void* operator new(std::size_t size) {
  void* memory = std::malloc(size ? size : 1);
  if (!memory) std::abort();
  return memory;
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
