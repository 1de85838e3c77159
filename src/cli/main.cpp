#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "Usage: taruk [--report [--json] [--replay DIR]] [--help] [--version]\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("Taruk %s\n", TARUK_VERSION);
    return 0;
  }
  std::fputs(kUsage, stdout);
  return 0;
}
