// Invariant equations and place bounds (contract in bounds.h).
#include "report/bounds.h"

#include <algorithm>

#include "matrix/textfile.h"
#include "report/writeinv.h"

namespace pelorin {

namespace {

// The place of a member as an index into the marking, or none for another element number.
std::optional<size_t> PlaceIndex(const WideElement& m, size_t places) {
  if (m.col < 1 || static_cast<size_t>(m.col) > places) return std::nullopt;
  return static_cast<size_t>(m.col) - 1;
}

// The name of place `place` as the listing prints it.
std::string PlaceName(const NameTable& t, size_t place) {
  const auto it = t.pn.find(static_cast<int32_t>(place));
  return it != t.pn.end() ? it->second : "#" + std::to_string(place);
}

// section -> heading, one line per bounded place, the count of the others
std::string BoundsSection(const NameTable& t, const PlaceBounds& bounds) {
  std::string text = "PLACE BOUNDS -----------------------------------------------\n\n";
  for (size_t place = 1; place <= bounds.Places(); ++place)
    if (const auto& bound = bounds.Of(place)) text += PlaceName(t, place) + " <= " + bound->get_str() + "\n";
  return text + std::to_string(bounds.WithoutBound()) + " place(s) without a bound (in no semiflow)\n\n";
}

}  // namespace

mpz_class InvariantConstant(const VectorMembers& members, const std::vector<int32_t>& marking) {
  mpz_class constant = 0;
  for (const WideElement& m : members) {
    const std::optional<size_t> place = PlaceIndex(m, marking.size());
    if (place && marking[*place] != 0) constant += mpz_class(m.value) * marking[*place];
  }
  return constant;
}

void PlaceBounds::Take(const VectorMembers& members, const mpz_class& constant) {
  if (std::any_of(members.begin(), members.end(), [](const WideElement& m) { return m.value[0] == '-'; })) return;
  for (const WideElement& m : members) {
    const std::optional<size_t> place = PlaceIndex(m, bound_.size());
    if (!place || !m.Positive()) continue;
    mpz_class bound;
    mpz_fdiv_q(bound.get_mpz_t(), constant.get_mpz_t(), mpz_class(m.value).get_mpz_t());
    std::optional<mpz_class>& current = bound_[*place];
    if (!current || bound < *current) current = std::move(bound);
  }
}

void PlaceBounds::TakeUnits(const std::vector<int32_t>& places, const std::vector<int32_t>& marking) {
  for (int32_t place : places) {
    if (place < 1 || static_cast<size_t>(place) > std::min(bound_.size(), marking.size())) continue;
    const VectorMembers unit = {{0, place, "1"}};
    Take(unit, marking[static_cast<size_t>(place) - 1]);
  }
}

size_t PlaceBounds::WithoutBound() const {
  return static_cast<size_t>(std::count_if(bound_.begin(), bound_.end(), [](const auto& b) { return !b; }));
}

void WriteBounds(const std::string& table, const std::string& solutions, const std::vector<int32_t>& marking,
                 const std::vector<int32_t>& unchanged, const std::string& output, bool wide) {
  Listing listing = OpenListing(table, solutions, output, "a");
  PlaceBounds bounds(marking.size());
  ForEachVector(listing.solutions.get(), solutions, wide,
                [&](const VectorMembers& members) { bounds.Take(members, InvariantConstant(members, marking)); });
  bounds.TakeUnits(unchanged, marking);
  WriteText(listing.out.get(), BoundsSection(listing.names, bounds));
  CloseFile(listing.out, output);
}

}  // namespace pelorin
