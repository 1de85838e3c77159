#include "linux/reader_location.h"

#include <unistd.h>

namespace taruk {

std::string FindReader(const std::string& executable) { return FindTarukProgram(kReaderName, executable); }

std::string FindTarukProgram(const char* name, const std::string& executable) {
  return FindTarukFile(name, X_OK, executable);
}

}  // namespace taruk
