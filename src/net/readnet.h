// Net input: the net model, the ".net" and ".ndr" readers, and the net conversion.
//
// ReadNDRNET(input, base, output, detail) reads one net (input "-" is standard input), writes
//   base.spm  incidence matrix, one "place transition value" line per arc: inputs first
//             (value minus the weight), then outputs (value plus the weight)
//   base.nmp  place names, "%d %s\n" per place
//   base.nmt  transition names, "%d %s\n" per transition
// and appends the net summary and, in full detail (1), the echo of the net to the output.
// Example: the net "net demo / tr t1 p1 -> p2 / tr t2 p2*2 -> p1*2" gives base.spm
// "1 1 -1 / 2 2 -2 / 2 1 1 / 1 2 2", base.nmp "1 p1 / 2 p2", base.nmt "1 t1 / 2 t2".
#pragma once

#include <string>

namespace pelorin {

void ReadNDRNET(const std::string& input, const std::string& base, const std::string& output, int detail);

}  // namespace pelorin
