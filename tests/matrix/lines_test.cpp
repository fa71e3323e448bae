// Line utilities: the blanks and the name grammar.
#include "matrix/lines.h"

#include "support/testutil.h"

namespace pelorin {
namespace {

TEST(LineUtilities, BlanksAreTheFourCharactersOnly) {
  EXPECT_TRUE(IsBlankLine(""));
  EXPECT_TRUE(IsBlankLine("\n"));
  EXPECT_TRUE(IsBlankLine(" \t\r\n"));
  EXPECT_FALSE(IsBlankLine(" \v\n"));  // vertical tab is an ordinary character
  EXPECT_FALSE(IsBlankLine(" x"));

  const std::string line = "ab \t";
  EXPECT_TRUE(IsSpace(line, 2));
  EXPECT_TRUE(IsSpace(line, 4));  // the end of the line counts as a blank
  EXPECT_FALSE(IsSpace(line, 0));
  size_t pos = 2;
  SwallowSpace(line, pos);
  EXPECT_EQ(pos, 4u);
  SwallowSpace(line, pos);  // at the end of the line the position stays
  EXPECT_EQ(pos, 4u);
}

// The name grammar of the net files and the name tables: the name read and where reading stops.
TEST(LineUtilities, NamesPlainOrBraced) {
  struct Case {
    std::string line;
    size_t start;
    std::string name;
    size_t end;
  };
  using namespace std::string_literals;
  const std::vector<Case> cases = {
      {"p1*2 x", 0, "p1", 2},                  // a plain name stops at "*"
      {"p1\tx", 0, "p1", 2},                   // ... at a blank
      {"p1\r\n", 0, "p1", 2},                  // ... at the end of the line
      {"a\0b"s, 0, "a", 1},                    // ... at a NUL
      {"*2", 0, "", 0},                        // an empty plain name
      {"", 0, "", 0},                          // the end of the text
      {"x}y{z w", 0, "x}y{z", 5},              // braces inside a plain name are ordinary
      {"{a b}*2", 0, "{a b}", 5},              // braces and blanks kept
      {"t {p 1} q", 2, "{p 1}", 7},            // read from a position
      {"{a\\}b} c", 0, "{a\\}b}", 6},          // an escaped brace does not end the name
      {"{a\\\\}b}", 0, "{a\\\\}", 5},          // an escaped backslash escapes nothing
      {"{a*b c\n", 0, "{a*b c", 6},            // unclosed: up to the line feed
      {"{ab\r}", 0, "{ab", 3},                // ... the carriage return
      {"{a\0}"s, 0, "{a", 2},                  // ... the NUL
      {"{a\\", 0, "{a\\", 3},                  // ... the end of the text, a last backslash kept
      {"{a\\\n}", 0, "{a\\", 3},               // an escape does not reach past the line feed
      {"{}x", 0, "{}", 2},
  };
  for (const Case& c : cases) {
    size_t pos = c.start;
    EXPECT_EQ(GetName(c.line, pos), c.name) << c.line;
    EXPECT_EQ(pos, c.end) << c.line;
  }
}

// The listing's own reader of table names as it was before the net readers and the listing
// shared GetName: a character at a time into the store.
std::string ListingNameBefore(const std::string& str, size_t& pos) {
  auto atEnd = [&] { return pos >= str.size() || str[pos] == '\0' || str[pos] == '\n' || str[pos] == '\r'; };
  std::string name;
  if (pos < str.size() && str[pos] == '{') {
    for (bool escaped = false; !atEnd();) {
      const char c = str[pos++];
      name.push_back(c);
      if (escaped) escaped = false;
      else if (c == '\\') escaped = true;
      else if (c == '}') break;
    }
  } else {
    while (!atEnd() && str[pos] != ' ' && str[pos] != '\t' && str[pos] != '*') name.push_back(str[pos++]);
  }
  return name;
}

// Every string of up to five characters over the characters that matter, from every position:
// the same name and the same end as before.
TEST(LineUtilities, NamesAsTheListingReadThem) {
  const std::string alphabet("{}\\ \t*\n\r\0a", 10);
  std::string line;
  for (size_t length = 0; length <= 5; ++length) {
    size_t total = 1;
    for (size_t k = 0; k < length; ++k) total *= alphabet.size();
    for (size_t code = 0; code < total; ++code) {
      line.clear();
      for (size_t k = 0, c = code; k < length; ++k, c /= alphabet.size()) line.push_back(alphabet[c % alphabet.size()]);
      for (size_t start = 0; start <= length; ++start) {
        size_t now = start, before = start;
        const std::string name = GetName(line, now);
        ASSERT_EQ(name, ListingNameBefore(line, before)) << testing::PrintToString(line) << " from " << start;
        ASSERT_EQ(now, before) << testing::PrintToString(line) << " from " << start;
      }
    }
  }
}

}  // namespace
}  // namespace pelorin
