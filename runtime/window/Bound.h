#pragma once
// A variable that a control is bound to: the control shows it (under the control's picture) when the
// window is displayed, and an accepted entry writes it first.

#include "runtime/text/Cents.h"
#include "runtime/text/Date.h"
#include "runtime/text/String.h"

#include <QString>
#include <cstddef>
#include <cstdint>

namespace rt {
class Picture;
}

namespace rt::win {

class Bound {
 public:
  enum class Type { None, Text, Byte, Short, Long, Real, Cents, Date };

  Bound() = default;
  template <std::size_t N>
  Bound(rt::String<N>& s) : type_(Type::Text), ptr_(s.data), size_(N) {}  // NOLINT
  Bound(std::uint8_t& v) : type_(Type::Byte), ptr_(&v) {}                 // NOLINT
  Bound(std::int16_t& v) : type_(Type::Short), ptr_(&v) {}                // NOLINT
  Bound(std::int32_t& v) : type_(Type::Long), ptr_(&v) {}                 // NOLINT
  Bound(double& v) : type_(Type::Real), ptr_(&v) {}                       // NOLINT
  Bound(rt::Cents& v) : type_(Type::Cents), ptr_(&v) {}                   // NOLINT
  Bound(rt::DATE& v) : type_(Type::Date), ptr_(&v) {}                     // NOLINT
  // An integer field of a packed record lies where its type's alignment does not hold, and no
  // reference may be bound to it: it is bound by its address, as every variable is read and written
  // byte by byte.
  Bound(std::int16_t* v) : type_(Type::Short), ptr_(v) {}                 // NOLINT
  Bound(std::int32_t* v) : type_(Type::Long), ptr_(v) {}                  // NOLINT

  bool isSet() const { return type_ != Type::None; }
  Type type() const { return type_; }
  const void* address() const { return ptr_; }

  // The value as the control shows it. A null picture shows texts clipped and numbers plainly.
  QString show(const rt::Picture* picture) const;
  // Takes what the user typed; false (variable unchanged) when the picture rejects it.
  bool take(const QString& typed, const rt::Picture* picture) const;

  // Numeric access, for check boxes, option groups and spins (an amount in units, not cents).
  double number() const;
  void setNumber(double v) const;

 private:
  Type type_ = Type::None;
  void* ptr_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace rt::win
