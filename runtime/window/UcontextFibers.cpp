// The ucontext back end of Boost.Context, which the sanitizer build uses because it tells
// AddressSanitizer about every stack switch. Its headers leave one definition to the library, and
// Debian's library is built for the other back end: the record of the running context, one per OS
// thread, which starts as the record of the thread's own stack.

#if defined(BOOST_USE_UCONTEXT)

#include <boost/context/fiber.hpp>

namespace boost::context::detail {

namespace {
struct ThreadRecord {
  fiber_activation_record own;  // the thread's own stack
  fiber_activation_record* running = &own;
};
}  // namespace

fiber_activation_record*& fiber_activation_record::current() noexcept {
  thread_local ThreadRecord record;
  return record.running;
}

}  // namespace boost::context::detail

#endif
