#include "linux/linux_volumes.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <map>
#include <sstream>

#include "core/base/path_text.h"

namespace taruk {

namespace {

// File systems that sit on a device node but hold no user data to fill up:
// read-only images (snaps) and the like. Anything not on /dev/ is skipped
// anyway (proc, tmpfs, overlay, network shares).
bool IsImageType(std::string_view type) { return type == "squashfs" || type == "erofs" || type == "cramfs"; }

// mountinfo escapes space, tab, newline and backslash as three octal digits.
std::string Unescape(std::string_view field) {
  const auto isOctal = [&](size_t i) { return i < field.size() && field[i] >= '0' && field[i] <= '7'; };
  std::string text;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
      text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      text += field[i];
    }
  }
  return text;
}

struct Mount {
  std::string root;  // the folder of the file system that is mounted here
  std::string mountPoint;
  std::string type;
  std::string source;
};

// False for a line that does not have the fields every mountinfo line has.
bool ParseLine(const std::string& line, Mount& mount) {
  std::istringstream fields(line);
  std::string id, parent, device, root, mountPoint, options, field;
  if (!(fields >> id >> parent >> device >> root >> mountPoint >> options)) return false;
  // Optional fields run up to a lone "-".
  while (fields >> field && field != "-") {
  }
  if (field != "-") return false;
  std::string type, source;
  if (!(fields >> type >> source)) return false;
  mount = {Unescape(root), Unescape(mountPoint), type, Unescape(source)};
  return true;
}

}  // namespace

std::vector<std::string> BlockDeviceMountPoints(std::string_view mountInfo) {
  // A later mount on the same path hides the earlier one.
  std::map<std::string, Mount> byMountPoint;
  std::istringstream lines{std::string(mountInfo)};
  std::string line;
  while (std::getline(lines, line)) {
    Mount mount;
    if (ParseLine(line, mount)) byMountPoint[mount.mountPoint] = mount;
  }
  // One mount point per device: a bind mount or a second mount of the same
  // device repeats its free space. Prefer the mount of the file system's own
  // top folder, then the shortest path.
  std::map<std::string, Mount> byDevice;
  for (const auto& [mountPoint, mount] : byMountPoint) {
    if (mount.source.rfind("/dev/", 0) != 0 || IsImageType(mount.type)) continue;
    auto [it, inserted] = byDevice.emplace(mount.source, mount);
    if (inserted) continue;
    const Mount& kept = it->second;
    const bool keptIsTop = kept.root == "/";
    const bool thisIsTop = mount.root == "/";
    if ((thisIsTop && !keptIsTop) || (thisIsTop == keptIsTop && mount.mountPoint.size() < kept.mountPoint.size())) {
      it->second = mount;
    }
  }
  std::vector<std::string> mountPoints;
  for (const auto& [source, mount] : byDevice) mountPoints.push_back(mount.mountPoint);
  std::sort(mountPoints.begin(), mountPoints.end());
  if (mountPoints.size() > kMostVolumes) mountPoints.resize(kMostVolumes);
  return mountPoints;
}

LinuxVolumes::LinuxVolumes(std::string mountInfoPath) : mountInfoPath(std::move(mountInfoPath)) {}

std::vector<std::wstring> LinuxVolumes::Roots() {
  std::ifstream file(mountInfoPath);
  std::stringstream text;
  text << file.rdbuf();
  std::vector<std::wstring> roots;
  for (const std::string& mountPoint : BlockDeviceMountPoints(text.str())) roots.push_back(PathBytesToWide(mountPoint));
  return roots;
}

bool LinuxVolumes::FreeBytesAvailable(const std::wstring& root, uint64_t& bytes) {
  std::string path;
  struct statvfs status {};
  if (!WidePathToBytes(root, PATH_MAX, path) || statvfs(path.c_str(), &status) != 0 || status.f_blocks == 0) {
    return false;
  }
  // f_bavail, not f_bfree: the blocks kept for root are not the user's.
  bytes = static_cast<uint64_t>(status.f_bavail) * status.f_frsize;
  return true;
}

}  // namespace taruk
