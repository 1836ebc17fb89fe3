// A resizable automation string array of no, one or two dimensions, each
// dimension with its own lower and upper bound.
//
//   kor::StringArray a;             // no dimensions yet
//   a.ReDim(0, 2);                  // a(0 To 2), all empty strings
//   a(1) = u"x";
//   a.ReDimPreserve(0, 5);          // keeps a(0..2)
//   a.ReDim(1, 3, 0, 1);            // a(1 To 3, 0 To 1), contents discarded
//   a(3, 1) = u"y";
//   a(4, 0);                        // throws kor::Error 9 "Subscript out of range"
//
// Elements are stored with the first index varying fastest, so keeping the
// contents while the last upper bound changes is a plain resize, as in the
// automation runtime.
//
// Every call that changes the dimensions either completes or leaves the array
// exactly as it was: the new storage is made before the old is let go. When
// memory runs out, or the array would have more elements than the host allows
// (HostHooks::maxArrayElements), the call raises error 7 "Out of memory".
#pragma once

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "kortools/export.h"
#include "kortools/types.h"

namespace kor {

class KORTOOLS_API StringArray {
 public:
  // The bounds of one dimension; upper = lower - 1 when it has no elements.
  struct Bounds {
    Long lower = 0;
    Long upper = -1;
    friend bool operator==(const Bounds&, const Bounds&) = default;
  };

  StringArray() = default;

  // Number of dimensions: 0 for an array that has none yet.
  int Dims() const noexcept { return static_cast<int>(bounds_.size()); }

  // Bounds of dimension `dim` (1-based); error 9 when the array has no such
  // dimension.
  Long LBound(int dim = 1) const;
  Long UBound(int dim = 1) const;

  // Re-dimension, discarding the contents. An upper bound may be one below
  // its lower bound (an empty dimension); lower it further and the call
  // raises error 9.
  void ReDim(Long lower, Long upper);
  void ReDim(Long lower1, Long upper1, Long lower2, Long upper2);

  // Re-dimension keeping the contents: only the upper bound of the last
  // dimension may change (error 9 otherwise). An array without dimensions
  // simply takes the new ones.
  void ReDimPreserve(Long lower, Long upper);
  void ReDimPreserve(Long lower1, Long upper1, Long lower2, Long upper2);

  // Moves the lower bound of a one-dimensional array down to `lower`, every
  // element keeping its index; the new elements below are empty strings.
  // Does nothing when `lower` is not below the current lower bound; error 9
  // for an array without exactly one dimension.
  void LowerBoundTo(Long lower);

  // Drops every dimension (the array then has none).
  void Erase() noexcept;

  // Element access with bounds checks (error 9).
  String& operator()(Long i);
  const String& operator()(Long i) const;
  String& operator()(Long i, Long j);
  const String& operator()(Long i, Long j) const;

  // The bounds of every dimension, first dimension first.
  const std::vector<Bounds>& AllBounds() const noexcept { return bounds_; }
  // The number of elements of all dimensions together.
  std::size_t size() const noexcept { return items_.size(); }

  // The elements in storage order (first index fastest).
  std::vector<String>& Items() noexcept { return items_; }
  const std::vector<String>& Items() const noexcept { return items_; }

  friend bool operator==(const StringArray&, const StringArray&) = default;

 private:
  void Resize(std::initializer_list<Bounds> bounds, bool keep);
  std::size_t Offset(Long i) const;
  std::size_t Offset(Long i, Long j) const;

  std::vector<Bounds> bounds_;
  std::vector<String> items_;
};

}  // namespace kor
