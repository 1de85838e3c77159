#pragma once
// A fresh folder under $TMPDIR (or /tmp) for one test, removed with
// everything in it when the object goes.

#include <string>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path()/name
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Writes `content` to path()/name, replacing what was there.
  void Write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};
