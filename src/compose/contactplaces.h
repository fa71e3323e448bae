// The contact places between subnets, as the decomposition finds them and the composition
// stages take them: a place that one subnet consumes from and another produces into. A list
// holds the number of subnets and one entry per contact place; as a work file it is the number
// on its first line, then one line "place consuming producing" per entry.
#pragma once

#include <cstdint>
#include <vector>

namespace pelorin {

// One contact place.
struct ContactEntry {
  int32_t place = 0;
  int32_t consuming = 0;  // the subnet that consumes from the place
  int32_t producing = 0;  // the subnet that produces into the place
};

// A contact place list: the number of subnets and the contact entries in order.
struct ContactList {
  int32_t subnets = 0;
  std::vector<ContactEntry> entries;
};

}  // namespace pelorin
