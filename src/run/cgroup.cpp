// The memory limit of the process's control group (contract in cgroup.h).
#include "run/cgroup.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

namespace pelorin {

namespace {

// A v1 limit at or above this is the kernel's way of saying "none".
constexpr uint64_t kNoV1Limit = uint64_t{1} << 62;

// A hierarchy that can limit memory, with the process's group in it.
struct Hierarchy {
  bool unified;          // cgroup v2
  std::string group;     // the process's group, as /proc/self/cgroup names it
  std::string mountRoot; // the part of the hierarchy that the mount shows
  std::string mountPoint;
};

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

// A mountinfo field with its octal escapes ("\040" is a blank) turned into their characters.
std::string Unescaped(const std::string& field) {
  std::string text;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
        IsOctal(field[i + 3])) {
      text += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
      i += 3;
    } else {
      text += field[i];
    }
  }
  return text;
}

// Whether the comma-separated `list` holds `word`.
bool ListHolds(const std::string& list, const std::string& word) {
  std::istringstream items(list);
  for (std::string item; std::getline(items, item, ',');)
    if (item == word) return true;
  return false;
}

// The hierarchies of /proc/self/cgroup that can limit memory, not yet placed.
std::vector<Hierarchy> GroupsOf(const std::string& root) {
  std::ifstream file(root + "/proc/self/cgroup");
  std::vector<Hierarchy> found;
  for (std::string line; std::getline(file, line);) {
    const size_t first = line.find(':'), second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    const bool unified = line.compare(0, first, "0") == 0 && controllers.empty();
    if (unified || ListHolds(controllers, "memory")) found.push_back({unified, line.substr(second + 1), "", ""});
  }
  return found;
}

// Places each hierarchy at its mount (the first that mountinfo lists); those without stay unplaced.
void PlaceMounts(const std::string& root, std::vector<Hierarchy>& hierarchies) {
  std::ifstream file(root + "/proc/self/mountinfo");
  for (std::string line; std::getline(file, line);) {
    std::istringstream fields(line);
    std::string id, parent, device, mountRoot, mountPoint, word;
    fields >> id >> parent >> device >> mountRoot >> mountPoint;
    while (fields >> word && word != "-") {
    }
    std::string type, source, options;
    fields >> type >> source >> options;
    for (Hierarchy& h : hierarchies) {
      const bool fits = h.unified ? type == "cgroup2" : type == "cgroup" && ListHolds(options, "memory");
      if (!fits || !h.mountPoint.empty()) continue;
      h.mountRoot = Unescaped(mountRoot);
      h.mountPoint = root + Unescaped(mountPoint);
    }
  }
}

// The limit in the file `name`; none when it cannot be read or says there is none.
std::optional<uint64_t> LimitIn(const std::string& name, bool unified) {
  std::ifstream file(name);
  std::string text;
  if (!(file >> text) || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  try {
    const uint64_t value = std::stoull(text);
    if (!unified && value >= kNoV1Limit) return std::nullopt;
    return value;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// The smallest limit over the group of `h` and the groups above it, up to the mount point.
std::optional<uint64_t> HierarchyLimit(const Hierarchy& h) {
  // a group outside the mounted part (another namespace's view) is read at the mount point
  const bool inside = h.mountRoot == "/" || h.group.compare(0, h.mountRoot.size(), h.mountRoot) == 0;
  std::string group = !inside ? "" : h.mountRoot == "/" ? h.group : h.group.substr(h.mountRoot.size());
  std::optional<uint64_t> least;
  for (;;) {
    const char* const file = h.unified ? "/memory.max" : "/memory.limit_in_bytes";
    const std::optional<uint64_t> limit = LimitIn(h.mountPoint + group + file, h.unified);
    if (limit && (!least || *limit < *least)) least = limit;
    const size_t slash = group.rfind('/');
    if (group.empty() || slash == std::string::npos) return least;
    group.resize(slash);
  }
}

}  // namespace

std::optional<uint64_t> ControlGroupLimit(const std::string& root) {
  std::vector<Hierarchy> hierarchies = GroupsOf(root);
  PlaceMounts(root, hierarchies);
  std::optional<uint64_t> least;
  for (const Hierarchy& h : hierarchies) {
    if (h.mountPoint.empty()) continue;
    const std::optional<uint64_t> limit = HierarchyLimit(h);
    if (limit && (!least || *limit < *least)) least = limit;
  }
  return least;
}

}  // namespace pelorin
