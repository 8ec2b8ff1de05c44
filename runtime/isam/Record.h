#pragma once
// Description of a record: its fields (type, place and size in the record buffer, dimension) and
// its keys (components, uniqueness, case handling). A data file is generic over such a description.

#include <cstddef>
#include <vector>

namespace rt::isam {

enum class FieldType {
  Byte,    // unsigned 8 bits
  Short,   // signed 16 bits
  Long,    // signed 32 bits
  Real,    // IEEE double
  Cents,   // rt::Cents in the buffer, a REAL in the file: converted on every read and write
  Date,    // rt::DATE
  String,  // rt::String<size>: Windows-1252, blank-padded
  Bytes,   // `size` raw bytes (a byte array)
};

struct Field {
  const char* name;
  FieldType type;
  std::size_t offset;  // in the record buffer
  std::size_t size;    // bytes of one element
  int dim = 1;         // consecutive elements; stored as NAME_1, NAME_2, ...
};

struct KeyDescription {
  const char* name;
  std::vector<const char*> components;  // field names, most significant first; each of dim 1
  bool unique = false;
  bool ignoreCase = false;  // text components compare upper-cased
};

struct Record {
  const char* table;
  std::size_t size;
  std::vector<Field> fields;
  std::vector<KeyDescription> keys;
};

// Names one key of one record: the argument of Get, Set and Set to value.
struct Key {
  const Record* record;
  int index;  // into record->keys
};

}  // namespace rt::isam
