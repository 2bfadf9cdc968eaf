// A temporary directory for one test, made under the system's temporary
// directory and removed with everything in it, read-only entries included,
// when the test is over.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace qualtren::testsupport {

class TTempDir {
 public:
  /// `stem` starts the directory's name.
  explicit TTempDir(const std::string& stem) {
    std::string pattern = (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    EXPECT_FALSE(path_.empty()) << "no temporary directory " << pattern;
  }
  ~TTempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(path_, ec))
      if (!e.is_symlink())
        std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace qualtren::testsupport
