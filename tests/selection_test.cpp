#include "show/Selection.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/Recording.h"

using ld::PictureSelection;
using ld::SelectionSettings;
using ld::testing::ScriptedRandom;

namespace {

std::vector<int> Draw(PictureSelection& sel, int n, const SelectionSettings& s, ScriptedRandom& r,
                      int count) {
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.push_back(sel.NextPictureIndex(n, s, r));
  return out;
}

// A centre followed by R exchange pairs.
void ScriptGroup(ScriptedRandom& r, int centre, const std::vector<std::pair<int, int>>& pairs) {
  r.draws.push_back(centre);
  for (auto [a, b] : pairs) {
    r.draws.push_back(a);
    r.draws.push_back(b);
  }
}

}  // namespace

TEST(Selection, SequentialWrapsAndLeavesTheLastPosition) {
  PictureSelection sel;
  sel.sequential_index = 4;
  ScriptedRandom r;
  const SelectionSettings s{false, 5, 3};
  EXPECT_EQ(Draw(sel, 5, s, r, 6), (std::vector<int>{0, 1, 2, 3, 4, 0}));
  EXPECT_EQ(sel.sequential_index, 0);
  EXPECT_TRUE(r.requests.empty());
  // A stored position beyond a smaller catalogue, or negative, starts at 0.
  sel.sequential_index = 40;
  EXPECT_EQ(sel.NextPictureIndex(5, s, r), 0);
  sel.sequential_index = -7;
  EXPECT_EQ(sel.NextPictureIndex(5, s, r), 0);
}

TEST(Selection, GroupsOfThreeWithRadiusFiveUseTheShuffledOffsets) {
  PictureSelection sel;
  ScriptedRandom r;
  // 1..5, swap(1,3) -> 3 2 1 4 5, (2,2), swap(4,5) -> 3 2 1 5 4,
  // swap(1,2) -> 2 3 1 5 4, (3,3): offsets 2 then 3.
  ScriptGroup(r, 10, {{1, 3}, {2, 2}, {4, 5}, {1, 2}, {3, 3}});
  ScriptGroup(r, 97, {{1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}});
  ScriptGroup(r, 98, {{1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}});
  const SelectionSettings s{true, 5, 3};
  EXPECT_EQ(Draw(sel, 100, s, r, 9), (std::vector<int>{10, 12, 13, 97, 98, 99, 98, 99, 99}));
  // Centre from 0..N-1, then R pairs from 1..R, with a re-seed between.
  ASSERT_EQ(r.requests.size(), 33u);
  EXPECT_EQ(r.requests[0], (std::pair<int, int>{0, 99}));
  EXPECT_EQ(r.requests[1], (std::pair<int, int>{1, 5}));
  EXPECT_EQ(r.reseeds, 3);
}

TEST(Selection, DrawsBeyondTheRadiusShowTheCentreAgain) {
  PictureSelection sel;
  ScriptedRandom r;
  ScriptGroup(r, 20, {{1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}});
  const SelectionSettings s{true, 5, 8};
  EXPECT_EQ(Draw(sel, 100, s, r, 8), (std::vector<int>{20, 21, 22, 23, 24, 25, 20, 20}));
  EXPECT_EQ(sel.draw_in_group, 0);
}

TEST(Selection, RadiusZeroNOneAndSingleDrawGroups) {
  {
    PictureSelection sel;
    ScriptedRandom r;
    r.draws = {7, 99};
    const SelectionSettings s{true, 0, 3};
    EXPECT_EQ(Draw(sel, 100, s, r, 6), (std::vector<int>{7, 8, 8, 99, 99, 99}));
    EXPECT_EQ(r.requests.size(), 2u);  // no exchanges with R = 0
  }
  {
    PictureSelection sel;
    ScriptedRandom r;
    const SelectionSettings s{true, 5, 3};
    EXPECT_EQ(Draw(sel, 1, s, r, 4), (std::vector<int>{0, 0, 0, 0}));
  }
  {
    PictureSelection sel;
    ScriptedRandom r;
    r.draws = {3, 1, 1, 5, 1, 1};  // radius 1: centre then one pair, per group
    const SelectionSettings s{true, 1, 1};
    EXPECT_EQ(Draw(sel, 10, s, r, 2), (std::vector<int>{3, 5}));
  }
}

TEST(Selection, OutOfRangeSettingsAreLimitedToTheOffsetTable) {
  PictureSelection sel;
  ScriptedRandom r;  // unscripted: every draw gives the low end
  const SelectionSettings s{true, 500, 1000};
  EXPECT_EQ(s.Radius(), 60);
  EXPECT_EQ(s.DrawsPerGroup(), 61);
  const auto got = Draw(sel, 1000, s, r, 62);
  // Exchanges of (1,1) leave 1..60 in place: centre 0, then 1..60, then a
  // new group.
  for (int k = 0; k <= 60; ++k) EXPECT_EQ(got[static_cast<size_t>(k)], k);
  EXPECT_EQ(got[61], 0);
  const SelectionSettings negative{true, -3, 3};
  EXPECT_EQ(negative.Radius(), 0);
}

TEST(Selection, PeekingChangesNeitherTheSequenceNorTheDraws) {
  const auto script = [](ScriptedRandom& r) {
    ScriptGroup(r, 10, {{1, 3}, {2, 2}, {4, 5}, {1, 2}, {3, 3}});
    ScriptGroup(r, 50, {{2, 4}, {1, 5}, {3, 3}, {2, 1}, {5, 4}});
    ScriptGroup(r, 70, {{1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}});
  };
  const SelectionSettings s{true, 5, 3};
  ScriptedRandom r1, r2;
  script(r1);
  script(r2);
  PictureSelection plain, peeked;
  const auto expected = Draw(plain, 100, s, r1, 9);
  std::vector<int> got;
  for (int i = 0; i < 9; ++i) {
    const int p1 = peeked.PeekNextIndex(100, s, r2);
    const int p2 = peeked.PeekNextIndex(100, s, r2);  // asking twice draws once
    const int next = peeked.NextPictureIndex(100, s, r2);
    EXPECT_EQ(p1, next);
    EXPECT_EQ(p2, next);
    got.push_back(next);
  }
  EXPECT_EQ(got, expected);
  EXPECT_EQ(r2.requests, r1.requests);

  // A new run (fresh group) after a peek uses the group already drawn.
  ScriptedRandom r3;
  script(r3);
  PictureSelection sel;
  Draw(sel, 100, s, r3, 3);
  EXPECT_EQ(sel.PeekNextIndex(100, s, r3), 50);
  sel.StartRun();
  EXPECT_EQ(sel.NextPictureIndex(100, s, r3), 50);

  // Sequential peeking leaves the position alone.
  PictureSelection seq;
  seq.sequential_index = 4;
  ScriptedRandom r4;
  const SelectionSettings sq{false, 5, 3};
  EXPECT_EQ(seq.PeekNextIndex(5, sq, r4), 0);
  EXPECT_EQ(seq.sequential_index, 4);
}

TEST(Selection, ARunStartsANewGroup) {
  PictureSelection sel;
  ScriptedRandom r;
  ScriptGroup(r, 10, {{1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}});
  ScriptGroup(r, 40, {{1, 1}, {1, 1}, {1, 1}, {1, 1}, {1, 1}});
  const SelectionSettings s{true, 5, 3};
  EXPECT_EQ(sel.NextPictureIndex(100, s, r), 10);
  sel.StartRun();
  EXPECT_EQ(sel.draw_in_group, 0);
  for (int j = 1; j <= 60; ++j) EXPECT_EQ(sel.group_offsets[static_cast<size_t>(j)], 0);
  EXPECT_EQ(sel.NextPictureIndex(100, s, r), 40);
}
