// A light, non-owning reference to a callable, for callbacks that live only
// as long as the call they are passed to.
#pragma once

#include <memory>
#include <type_traits>
#include <utility>

namespace qualtren {

/// A light, non-owning reference to a callable of the signature R(A...),
/// taken for the length of one call.
template <typename Signature>
class TFunctionRef;

template <typename R, typename... A>
class TFunctionRef<R(A...)> {
 public:
  template <typename F>
  requires(!std::is_same_v<std::remove_cvref_t<F>, TFunctionRef>)
      TFunctionRef(F&& f)  // NOLINT: implicit on purpose, like a function reference
      : object_(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
        call_([](void* o, A... args) -> R {
          return (*static_cast<std::remove_reference_t<F>*>(o))(std::forward<A>(args)...);
        }) {}

  R operator()(A... args) const { return call_(object_, std::forward<A>(args)...); }

 private:
  void* object_;
  R (*call_)(void*, A...);
};

}  // namespace qualtren
