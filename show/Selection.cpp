#include "show/Selection.h"

#include <algorithm>

#include "platform/Services.h"

namespace ld {

int SelectionSettings::Radius() const { return std::clamp(radius, 0, kMaxRadius); }

int SelectionSettings::DrawsPerGroup() const { return std::min(drawsPerGroup, kMaxDrawsPerGroup); }

void PictureSelection::StartRun() {
  draw_in_group = 0;
  group_offsets.fill(0);
}

void PictureSelection::ShuffleOffsets(int radius, IRandom& random) {
  radius = std::clamp(radius, 0, kMaxRadius);
  for (int j = 1; j <= radius; ++j) group_offsets[static_cast<size_t>(j)] = j;
  random.Reseed();
  for (int t = 0; t < radius; ++t) {
    const int a = random.Uniform(1, radius);
    const int b = random.Uniform(1, radius);
    std::swap(group_offsets[static_cast<size_t>(a)], group_offsets[static_cast<size_t>(b)]);
  }
}

PictureSelection::Group PictureSelection::DrawGroup(int n, int radius, IRandom& random) {
  // The calls a new group makes: the centre, then the shuffle. The shuffle
  // works on the member table, which is what the group leaves behind; the
  // table of the group in progress is saved around it when only peeking.
  Group g;
  g.n = n;
  g.radius = radius;
  g.centre = random.Uniform(0, n - 1);
  const auto saved = group_offsets;
  ShuffleOffsets(radius, random);
  g.offsets = group_offsets;
  group_offsets = saved;
  return g;
}

int PictureSelection::IndexInGroup(int n, int radius, int centre,
                                   const std::array<int, kMaxRadius + 1>& offsets, int k) const {
  if (radius < 1) return std::min(centre + 1, n - 1);
  return std::clamp(centre + offsets[static_cast<size_t>(k)], 0, n - 1);
}

int PictureSelection::NextPictureIndex(int n, const SelectionSettings& s, IRandom& random) {
  if (!s.random) {
    // A stored index outside the catalogue (a smaller catalogue after a
    // rebuild, a negative value typed in) starts again at 0 instead of
    // naming a picture that does not exist.
    if (sequential_index < 0 || sequential_index >= n - 1)
      sequential_index = 0;
    else
      ++sequential_index;
    return sequential_index;
  }
  const int radius = s.Radius();
  int result;
  if (draw_in_group <= 0) {
    Group g;
    if (pending_ && pending_->n == n && pending_->radius == radius)
      g = *pending_;
    else
      g = DrawGroup(n, radius, random);
    pending_.reset();
    group_centre = g.centre;
    group_offsets = g.offsets;
    result = group_centre;
  } else {
    result = IndexInGroup(n, radius, group_centre, group_offsets, draw_in_group);
  }
  ++draw_in_group;
  if (draw_in_group >= s.DrawsPerGroup()) draw_in_group = 0;
  return result;
}

int PictureSelection::PeekNextIndex(int n, const SelectionSettings& s, IRandom& random) {
  if (!s.random) {
    return (sequential_index < 0 || sequential_index >= n - 1) ? 0 : sequential_index + 1;
  }
  const int radius = s.Radius();
  if (draw_in_group <= 0) {
    if (!(pending_ && pending_->n == n && pending_->radius == radius))
      pending_ = DrawGroup(n, radius, random);
    return pending_->centre;
  }
  return IndexInGroup(n, radius, group_centre, group_offsets, draw_in_group);
}

}  // namespace ld
