// Helpers of the table file tests: writing binary table images byte by byte,
// independent of the table's own writer.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/exception.h"
#include "base/stream.h"
#include "table/virtual_table.h"

namespace qualtren::testing {

// Builds a byte image little-endian, one field at a time.
class Image {
 public:
  Image& U8(uint8_t v) {
    bytes_.push_back(static_cast<char>(v));
    return *this;
  }
  Image& U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
  Image& I32(int32_t v) {
    auto u = static_cast<uint32_t>(v);
    return U16(u & 0xFFFF).U16(u >> 16);
  }
  Image& I64(int64_t v) {
    auto u = static_cast<uint64_t>(v);
    return I32(static_cast<int32_t>(u & 0xFFFFFFFFu)).I32(static_cast<int32_t>(u >> 32));
  }
  Image& F64(double v) {
    char b[8];
    std::memcpy(b, &v, 8);
    bytes_.append(b, 8);
    return *this;
  }
  Image& Raw(std::string_view b) {
    bytes_ += b;
    return *this;
  }
  // A name: u16 byte count and the bytes.
  Image& Name(std::string_view n) { return U16(static_cast<uint16_t>(n.size())).Raw(n); }
  // A definition entry of version 3 and higher (with precision).
  Image& Def(std::string_view name, uint16_t type, uint16_t size, int32_t precision = 0) {
    return Name(name).U16(type).U16(size).I32(precision);
  }
  // A definition entry of versions 0 to 2 (without precision).
  Image& OldDef(std::string_view name, uint16_t type, uint16_t size) {
    return Name(name).U16(type).U16(size);
  }
  // A field object entry.
  Image& FieldObject(std::string_view name, uint16_t kind, uint16_t type, uint16_t size) {
    return Name(name).U16(kind).U16(type).U16(size);
  }
  // A value of version 2 and higher: i32 length and the bytes.
  Image& Value(std::string_view b) { return I32(static_cast<int32_t>(b.size())).Raw(b); }
  // A value of versions 0 and 1: u16 length and the bytes.
  Image& OldValue(std::string_view b) { return U16(static_cast<uint16_t>(b.size())).Raw(b); }
  Image& Null() { return I32(0); }

  const std::string& Bytes() const { return bytes_; }
  size_t Size() const { return bytes_.size(); }

 private:
  std::string bytes_;
};

template <typename T>
std::string LE(T v) {
  std::string b(sizeof(T), '\0');
  std::memcpy(b.data(), &v, sizeof(T));
  return b;
}

// The image that SaveTableStream writes for the table.
inline std::string Save(TVirtualTable& t, bool storeFields = true) {
  TMemoryStream s;
  t.SaveTableStream(s, storeFields);
  return s.Bytes();
}

inline void Load(TVirtualTable& t, const std::string& image, bool loadDefs = true) {
  TMemoryStream s(image);
  t.LoadTableStream(s, loadDefs);
}

// The message of the error that loading image raises ("" when none).
inline std::string LoadError(TVirtualTable& t, const std::string& image, bool loadDefs = true) {
  try {
    Load(t, image, loadDefs);
  } catch (const Exception& e) {
    return e.what();
  }
  return "";
}

// A fresh directory under the system's temporary directory, removed with
// everything in it at the end of the test.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qualtren-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace qualtren::testing
