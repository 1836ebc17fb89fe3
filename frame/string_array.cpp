#include "kortools/string_array.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>

#include "kortools/error.h"
#include "kortools/host.h"
#include "platform/large_pages.h"

namespace kor {
namespace {

std::size_t Count(const StringArray::Bounds& b) {
  return static_cast<std::size_t>(static_cast<std::int64_t>(b.upper) - b.lower + 1);
}

void Check(const StringArray::Bounds& b) {
  // A dimension may be empty (upper one below lower) but no smaller.
  if (static_cast<std::int64_t>(b.upper) < static_cast<std::int64_t>(b.lower) - 1) throw Error::Runtime(9);
}

String Digits(std::size_t n) {
  const std::string s = std::to_string(n);
  return String(s.begin(), s.end());
}

// The elements of an array with these bounds: error 9 for a dimension below
// empty, error 7 for more than memory could hold or the host allows.
std::size_t Total(std::span<const StringArray::Bounds> bounds) {
  std::size_t total = 1;
  for (const auto& b : bounds) {
    Check(b);
    const std::size_t n = Count(b);
    if (n != 0 && total > std::vector<String>().max_size() / n) throw Error::Runtime(7);
    total *= n;
  }
  const HostHooks& hooks = GetHostHooks();
  if (hooks.maxArrayElements != 0 && total > hooks.maxArrayElements) {
    if (hooks.onArrayLimit) hooks.onArrayLimit(total);
    throw Error(7, RuntimeErrorText(7) + u": an array of " + Digits(total) + u" elements is more than the limit of " +
                       Digits(hooks.maxArrayElements));
  }
  return total;
}

// Sets the element count to `total`, new elements empty; without `keep` every
// element is emptied. New storage is made before the old is let go, so a
// failure leaves the items as they were; storage large enough to matter is
// asked for in large pages before any element is written to it.
void Reshape(std::vector<String>& items, std::size_t total, bool keep) {
  const bool large = total * sizeof(String) >= platform::kLargePageMinimum;
  if (keep && (total <= items.capacity() || !large)) {
    items.resize(total);  // a resize that throws changes nothing
    return;
  }
  std::vector<String> fresh;
  fresh.reserve(keep ? std::max(total, 2 * items.size()) : total);  // the growth resize() would give
  if (large) platform::PreferLargePages(fresh.data(), fresh.capacity() * sizeof(String));
  if (keep) fresh.insert(fresh.end(), std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
  fresh.resize(total);
  items.swap(fresh);
}

// Runs a change of the array's storage, which either completes or throws
// before it touches the array; running out of memory is error 7.
template <typename F>
void OutOfMemoryIs7(F&& change) {
  try {
    change();
  } catch (const std::bad_alloc&) {
    throw Error::Runtime(7);
  } catch (const std::length_error&) {
    throw Error::Runtime(7);
  }
}

}  // namespace

Long StringArray::LBound(int dim) const {
  if (dim < 1 || dim > Dims()) throw Error::Runtime(9);
  return bounds_[static_cast<std::size_t>(dim - 1)].lower;
}

Long StringArray::UBound(int dim) const {
  if (dim < 1 || dim > Dims()) throw Error::Runtime(9);
  return bounds_[static_cast<std::size_t>(dim - 1)].upper;
}

void StringArray::Resize(std::initializer_list<Bounds> list, bool keep) {
  OutOfMemoryIs7([&] {
    std::vector<Bounds> bounds(list);
    const std::size_t total = Total(bounds);
    if (keep && !bounds_.empty()) {
      // Only the last upper bound may change.
      if (bounds.size() != bounds_.size()) throw Error::Runtime(9);
      for (std::size_t d = 0; d + 1 < bounds.size(); ++d)
        if (bounds[d] != bounds_[d]) throw Error::Runtime(9);
      if (bounds.back().lower != bounds_.back().lower) throw Error::Runtime(9);
    }
    Reshape(items_, total, keep && !bounds_.empty());
    bounds_.swap(bounds);
  });
}

void StringArray::ReDim(Long lower, Long upper) { Resize({{lower, upper}}, false); }

void StringArray::ReDim(Long lower1, Long upper1, Long lower2, Long upper2) {
  Resize({{lower1, upper1}, {lower2, upper2}}, false);
}

void StringArray::ReDimPreserve(Long lower, Long upper) {
  // The usual growth of a one-dimensional array by its upper bound, without
  // building a list of bounds: the same checks and the same result.
  if (bounds_.size() == 1 && bounds_[0].lower == lower) {
    OutOfMemoryIs7([&] {
      const Bounds b{lower, upper};
      Reshape(items_, Total({&b, 1}), true);
      bounds_[0].upper = upper;
    });
    return;
  }
  Resize({{lower, upper}}, true);
}

void StringArray::ReDimPreserve(Long lower1, Long upper1, Long lower2, Long upper2) {
  Resize({{lower1, upper1}, {lower2, upper2}}, true);
}

void StringArray::LowerBoundTo(Long lower) {
  if (bounds_.size() != 1) throw Error::Runtime(9);
  const Bounds now = bounds_[0];
  if (lower >= now.lower) return;
  OutOfMemoryIs7([&] {
    std::vector<Bounds> bounds{{lower, now.upper}};
    std::vector<String> items(Total(bounds));
    const auto below = static_cast<std::ptrdiff_t>(static_cast<std::int64_t>(now.lower) - lower);
    std::move(items_.begin(), items_.end(), items.begin() + below);
    items_.swap(items);
    bounds_.swap(bounds);
  });
}

void StringArray::Erase() noexcept {
  bounds_.clear();
  items_.clear();
}

std::size_t StringArray::Offset(Long i) const {
  if (bounds_.size() != 1) throw Error::Runtime(9);
  const auto& b = bounds_[0];
  if (i < b.lower || i > b.upper) throw Error::Runtime(9);
  return static_cast<std::size_t>(static_cast<std::int64_t>(i) - b.lower);
}

std::size_t StringArray::Offset(Long i, Long j) const {
  if (bounds_.size() != 2) throw Error::Runtime(9);
  const auto& b1 = bounds_[0];
  const auto& b2 = bounds_[1];
  if (i < b1.lower || i > b1.upper || j < b2.lower || j > b2.upper) throw Error::Runtime(9);
  return static_cast<std::size_t>(static_cast<std::int64_t>(i) - b1.lower) +
         static_cast<std::size_t>(static_cast<std::int64_t>(j) - b2.lower) * Count(b1);
}

String& StringArray::operator()(Long i) { return items_[Offset(i)]; }
const String& StringArray::operator()(Long i) const { return items_[Offset(i)]; }
String& StringArray::operator()(Long i, Long j) { return items_[Offset(i, j)]; }
const String& StringArray::operator()(Long i, Long j) const { return items_[Offset(i, j)]; }

}  // namespace kor
