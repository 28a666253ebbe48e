#pragma once

#include <array>
#include <optional>

namespace ld {

class IRandom;

// The settings that decide the next catalogue position, as the show uses
// them: the radius R is taken within 0..60 and the number of draws per group
// G at most 61, so that a group never reads past its table of offsets.
struct SelectionSettings {
  bool random = true;
  int radius = 5;         // "rayon_rnd"
  int drawsPerGroup = 3;  // "nb_fouille"

  int Radius() const;         // R clamped to 0..60
  int DrawsPerGroup() const;  // G, at most 61
};

inline constexpr int kMaxRadius = 60;
inline constexpr int kMaxDrawsPerGroup = 61;

// The choice of the next catalogue position: in catalogue order, or by groups
// of random draws (a random centre, then pictures at shuffled distinct
// offsets 1..R after it).
class PictureSelection {
 public:
  // The state a run of the show starts with: a fresh group, an empty table.
  void StartRun();

  // One forward step's position in a catalogue of n pictures (n >= 1).
  // Sequential: advances sequential_index (wrapping to 0 at n). Random: the
  // group draw; a new group draws its centre and shuffles its offsets.
  int NextPictureIndex(int n, const SelectionSettings& s, IRandom& random);

  // The position the next NextPictureIndex call will give, without changing
  // what the show sees (sequential_index, the current group). When the next
  // draw starts a new group, that group is drawn now, with the same calls to
  // the generator in the same order, and kept for the step that uses it; it is
  // dropped if the catalogue size or the radius changes before.
  int PeekNextIndex(int n, const SelectionSettings& s, IRandom& random);

  // Refills group_offsets: 1..R, re-seeds the generator, then R exchanges of
  // two positions drawn uniformly from 1..R (a first, then b).
  void ShuffleOffsets(int radius, IRandom& random);

  int sequential_index = 0;
  int group_centre = 0;
  int draw_in_group = 0;
  // Positions 1..60 are used; position 0 is never read.
  std::array<int, kMaxRadius + 1> group_offsets{};

 private:
  struct Group {
    int n = 0;
    int radius = 0;
    int centre = 0;
    std::array<int, kMaxRadius + 1> offsets{};
  };
  Group DrawGroup(int n, int radius, IRandom& random);
  int IndexInGroup(int n, int radius, int centre, const std::array<int, kMaxRadius + 1>& offsets,
                   int k) const;

  std::optional<Group> pending_;
};

}  // namespace ld
