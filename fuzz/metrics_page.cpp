// The metrics page over whatever the drives and volumes might hold: texts of
// any characters, attributes with any ids, repeated roots. Every page must
// stay one Prometheus would take whole: each line a HELP or TYPE comment or
// a sample whose labels are quoted and escaped, and no series twice (one
// duplicate makes Prometheus refuse the scrape).
#include "core/metrics/metrics_page.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

using namespace taruk;

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data(data), size(size) {}
  uint8_t Byte() { return used < size ? data[used++] : 0; }
  // Characters as the reading pass makes them (one per page byte), with now
  // and then one from beyond: a file name's escape, a lone surrogate.
  std::wstring Text() {
    std::wstring text(Byte() % 48, L' ');
    for (wchar_t& c : text) c = Byte() == 0xFF ? static_cast<wchar_t>(0xD800 + Byte()) : Byte();
    return text;
  }

 private:
  const uint8_t* data;
  size_t size;
  size_t used = 0;
};

class NoVolumes : public Volumes {
 public:
  std::vector<std::wstring> Roots() override { return {}; }
  bool FreeBytesAvailable(const std::wstring&, uint64_t&) override { return false; }
};

bool IsNameChar(char c) { return (c >= 'a' && c <= 'z') || c == '_'; }

// The series of one sample line (name and labels as written), or abort.
std::string CheckSample(const std::string& line) {
  size_t i = 0;
  while (i < line.size() && IsNameChar(line[i])) ++i;
  if (i == 0 || line.compare(0, 6, "taruk_") != 0) std::abort();
  if (i < line.size() && line[i] == '{') {
    ++i;
    while (true) {
      const size_t name = i;
      while (i < line.size() && IsNameChar(line[i])) ++i;
      if (i == name || line.compare(i, 2, "=\"") != 0) std::abort();
      for (i += 2; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && ++i < line.size() && line[i] != '\\' && line[i] != '"' && line[i] != 'n') std::abort();
      }
      if (i >= line.size()) std::abort();
      ++i;
      if (i < line.size() && line[i] == ',') {
        ++i;
        continue;
      }
      if (i >= line.size() || line[i] != '}') std::abort();
      ++i;
      break;
    }
  }
  if (i >= line.size() || line[i] != ' ') std::abort();
  char* end = nullptr;
  std::strtod(line.c_str() + i + 1, &end);
  if (end == line.c_str() + i + 1 || *end != '\0') std::abort();
  return line.substr(0, i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input input(data, size);
  DriveSlots slots = DriveSlots(kDiskButtonCount);
  MonitorConfig config;
  config.criticalTemperature = input.Byte();
  config.minimumFreeSpace = input.Byte();
  for (DriveSlot& slot : slots) {
    slot.capacityGb = input.Byte() % 2;
    slot.model = input.Text();
    slot.serialNumber = input.Text();
    slot.temperature = input.Byte();
    for (SmartAttributeEntry& entry : slot.attributes) {
      entry.id = input.Byte() % 8;  // few ids, so that repeats are common
      entry.current = input.Byte();
      entry.raw[0] = input.Byte();
      entry.raw[5] = input.Byte();
    }
  }
  std::vector<VolumeSpace> volumes(input.Byte() % 8);
  for (VolumeSpace& volume : volumes) {
    volume.root = input.Text();
    volume.freeBytes = static_cast<uint64_t>(input.Byte()) << 40 | input.Byte();
  }
  NoVolumes noVolumes;
  CycleRecord record{slots, config, noVolumes, {input.Byte() % 2 == 1, true, false, input.Byte() % 2 == 1}};
  const std::string page = MetricsPage(record, volumes, "2.0");

  std::set<std::string> series;
  size_t start = 0;
  while (start < page.size()) {
    const size_t end = page.find('\n', start);
    if (end == std::string::npos) std::abort();  // every line ends
    const std::string line = page.substr(start, end - start);
    start = end + 1;
    if (line.starts_with("# HELP taruk_") || line.starts_with("# TYPE taruk_")) continue;
    if (!series.insert(CheckSample(line)).second) std::abort();
  }
  return 0;
}
