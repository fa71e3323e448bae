// Invariant listing: the semiflows of a solution file by name, or their number.
//
// WriteInv(table, solutions, output, full) appends the semiflows of the solution file
// `solutions` to `output` ("-" is standard output; any other file is opened for appending), with
// the element names of the name table file `table`. Files are opened in this order: table,
// solutions, output.
//
// Name table lines: "number name", e.g. "3 {p 3}". The number is the first integer of the line
// (0 when there is none); the name starts after the word of the number, its ending blank and any
// further blanks. A name in braces runs to its closing brace ("\" makes the next character
// ordinary), braces and backslashes kept; any other name stops at a blank, "*" or the end of the
// line ("ab*c" gives "ab"), as GetName of matrix/lines.h reads the names of a net. Lines with "#" in column 1 and blank lines are skipped; of two lines
// for one number the later wins.
//
// Solution lines: "solution element coefficient" (a sparse matrix file, see matrix/spm.h), the
// lines of one solution together. Lines with "#" in column 1 and blank lines are skipped.
//
// Full output (`full`): a line feed whenever the solution number changes, then per line the
// element's name ("#" and the number when the table does not name it), "*coefficient" when the
// coefficient is above 1, and a blank; "\nno semiflows" when no solution line was read; then
// "\n\n". Digest output (not `full`): "\n%d semiflow(s)" with the last solution number read (0 for
// none), then "\n\n". Example, table "1 p1", "2 p2", "3 {p 3}", "4 p4" and solutions "1 1 1",
// "1 2 1", "2 3 2", "2 4 1":
//     full     "\np1 p2 \n{p 3}*2 p4 \n\n"
//     digest   "\n2 semiflow(s)\n\n"
//
// Failures: a file cannot be opened: "*** error open file %s\n", exit code 2; a malformed
// solution line: exit code 4; a number outside 32 bits: exit code 5; growth of the table:
// "*** not enough memory for names\n" or "*** not enough memory for pn\n", exit code 1. The
// first allocation failing prints "*** not enough memory for pn,names\n" on standard output and
// returns 1 without writing anything: the run goes on. Otherwise the result is 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>

#include "matrix/spm.h"

namespace pelorin {

// The name table of one listing.
struct NameTable {
  std::unordered_map<int32_t, std::string> pn;  // element number -> its name as the table writes it
};

// `wide` (the solution files of "--minimal"): coefficients may have any number of digits and
// are listed with all of them. With the `digest` of the solution file from the stage that wrote
// it, digest output takes its number from there: the file is opened but not read.
int WriteInv(const std::string& table, const std::string& solutions, const std::string& output, bool full,
             bool wide = false, const SolutionDigest* digest = nullptr);

// Reads every line of an open name table file into `t`.
void ReadTable(std::FILE* file, NameTable& t);

// What a listing works with, opened in this order: the name table (read whole), the solution
// file, the report (with `mode`, "a" or "w").
struct Listing {
  NameTable names;
  File solutions;
  File out;
};
Listing OpenListing(const std::string& table, const std::string& solutions, const std::string& output,
                    const char* mode);

}  // namespace pelorin
