#include "runtime/window/Bound.h"

#include "runtime/text/Cp1252.h"
#include "runtime/text/Picture.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace rt::win {
namespace {

// Cuts a number to the range of an integer field, as the assignment of a REAL to it would.
template <typename T>
T toInteger(double v) {
  const double lo = static_cast<double>(std::numeric_limits<T>::min());
  const double hi = static_cast<double>(std::numeric_limits<T>::max());
  if (!(v >= lo)) return std::numeric_limits<T>::min();
  if (v > hi) return std::numeric_limits<T>::max();
  return static_cast<T>(std::trunc(v));
}

// The variables may be fields of packed records, so they are read and written byte-wise.
template <typename T>
T load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename T>
void store(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

}  // namespace

double Bound::number() const {
  switch (type_) {
    case Type::Byte: return load<std::uint8_t>(ptr_);
    case Type::Short: return load<std::int16_t>(ptr_);
    case Type::Long: return load<std::int32_t>(ptr_);
    case Type::Real: return load<double>(ptr_);
    case Type::Cents: return load<rt::Cents>(ptr_).toReal();
    case Type::Date: return rt::dayNumber(load<rt::DATE>(ptr_));
    case Type::Text: {
      std::string s(static_cast<const char*>(ptr_), size_);
      return std::atof(s.c_str());
    }
    case Type::None: break;
  }
  return 0;
}

void Bound::setNumber(double v) const {
  switch (type_) {
    case Type::Byte: store(ptr_, toInteger<std::uint8_t>(v)); break;
    case Type::Short: store(ptr_, toInteger<std::int16_t>(v)); break;
    case Type::Long: store(ptr_, toInteger<std::int32_t>(v)); break;
    case Type::Real: store(ptr_, v); break;
    case Type::Cents: store(ptr_, rt::Cents::fromReal(v)); break;
    case Type::Date: store(ptr_, rt::dateOf(toInteger<std::int32_t>(v))); break;
    case Type::Text: {
      const std::string s = QString::number(v, 'g', 15).toStdString();
      char* p = static_cast<char*>(ptr_);
      std::memset(p, ' ', size_);
      std::memcpy(p, s.data(), std::min(size_, s.size()));
      break;
    }
    case Type::None: break;
  }
}

QString Bound::show(const rt::Picture* picture) const {
  if (type_ == Type::None) return {};
  if (type_ == Type::Text) {
    std::string_view raw(static_cast<const char*>(ptr_), size_);
    while (!raw.empty() && raw.back() == ' ') raw.remove_suffix(1);
    const QString text = rt::fromCp1252(raw);
    if (picture && picture->kind() == rt::Picture::Kind::Number) return picture->format(text.toDouble());
    return text;
  }
  if (picture && picture->kind() == rt::Picture::Kind::Date)
    return picture->formatDate(static_cast<rt::Day>(number()));
  if (picture && picture->kind() == rt::Picture::Kind::Number)
    return type_ == Type::Cents ? picture->format(load<rt::Cents>(ptr_)) : picture->format(number());
  if (type_ == Type::Cents) return rt::formatAmount(load<rt::Cents>(ptr_)).trimmed();
  if (type_ == Type::Date) return rt::formatDate(static_cast<rt::Day>(number()));
  return QString::number(number(), 'g', 15);
}

bool Bound::take(const QString& typed, const rt::Picture* picture) const {
  if (type_ == Type::None) return true;
  if (type_ == Type::Text && !(picture && picture->kind() == rt::Picture::Kind::Number)) {
    std::string bytes = rt::toCp1252(typed);
    // A text picture keeps no more characters than it shows.
    if (picture && picture->kind() == rt::Picture::Kind::Text && bytes.size() > std::size_t(picture->width()))
      bytes.resize(picture->width());
    char* p = static_cast<char*>(ptr_);
    std::memset(p, ' ', size_);
    std::memcpy(p, bytes.data(), std::min(size_, bytes.size()));
    return true;
  }
  if (picture && picture->kind() == rt::Picture::Kind::Date) {
    const auto day = picture->parseDate(typed);
    if (!day) return false;
    setNumber(*day);
    return true;
  }
  if (picture && picture->kind() == rt::Picture::Kind::Number && type_ == Type::Cents) {
    const auto v = picture->parseCents(typed);
    if (!v) return false;
    store(ptr_, *v);
    return true;
  }
  if (picture && picture->kind() == rt::Picture::Kind::Number) {
    const auto v = picture->parseNumber(typed);
    if (!v) return false;
    setNumber(*v);
    return true;
  }
  bool ok = false;
  const double v = typed.trimmed().isEmpty() ? 0 : typed.trimmed().toDouble(&ok);
  if (!ok && !typed.trimmed().isEmpty()) return false;
  setNumber(v);
  return true;
}

}  // namespace rt::win
