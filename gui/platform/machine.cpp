#include "gui/platform/machine.h"

#include <sys/resource.h>
#include <unistd.h>
#include <algorithm>
#include <fstream>
#include <string>

uint64_t MachineMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  uint64_t bytes = pages > 0 && pageSize > 0
                       ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize)
                       : UINT64_MAX;
  struct rlimit limit {};
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    bytes = std::min<uint64_t>(bytes, limit.rlim_cur);
  // "max" when the group has no limit.
  std::ifstream group("/sys/fs/cgroup/memory.max");
  std::string text;
  if (group >> text && !text.empty() && text.find_first_not_of("0123456789") == std::string::npos)
    bytes = std::min<uint64_t>(bytes, std::stoull(text));
  return bytes;
}
