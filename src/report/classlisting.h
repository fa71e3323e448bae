// The listing of minimal-support semiflows in classes ("--classes", see solver/ddclasses.h).
//
// ReadClassTable(file, name) reads the class table of an open solution file: every comment line
// "#class m1 m2 ... mk" gives the class of its first member m1; other lines are passed over (a
// malformed number in a class line ends the run, exit code 4).
//
// WriteClassListing(table, solutions, output, full, count) appends to `output` ("-" is standard
// output) the semiflows of the solution file `solutions` by the names of the name table `table`,
// as WriteInv lists them, except that an element with a class is written as the names of its
// members in brackets, separated by "|" ("[p1|p4|p7]"), followed by "*coefficient" above 1; then
// "\nno semiflows" when there was none. In full output and in digest output it ends with
// "\n%s minimal semiflow(s)\n\n", `count` in decimal: the semiflows the lines stand for. Example,
// table "1 a", "2 b", "3 c" and the file "#class 2 3", "1 1 1", "1 2 2":
//     full     "\na [b|c]*2 \n5 minimal semiflow(s)\n\n"   (with count 5)
//     digest   "\n5 minimal semiflow(s)\n\n"
//
// Failures as WriteInv's.
#pragma once

#include <gmpxx.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

namespace pelorin {

using ClassTable = std::unordered_map<int32_t, std::vector<int32_t>>;

ClassTable ReadClassTable(std::FILE* file, const std::string& name);

void WriteClassListing(const std::string& table, const std::string& solutions, const std::string& output, bool full,
                       const mpz_class& count);

}  // namespace pelorin
