// The visibility sweep's ray step: the vector forms (those the processor has) against the plain
// one-ray form, bit for bit, over lines of rough terrain with voids, every ray of an
// octant marched from the observer to its border.
#include "platform/host/analysis/viewshed_rays.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace velk::host::analysis::rays {
namespace {

// One octant's rays and the lines they cross, marched with the given lanes.
struct Sweep {
  int R;
  std::vector<std::int32_t> rem, j, step;
  std::vector<float> stepLen, halfInvM, horizonZ, horizonD;
  std::vector<std::uint8_t> seen;
  std::vector<std::uint32_t> counts;

  Sweep(int half, const std::vector<int>& ms) : R(half) {
    for (int m : ms) {
      rem.push_back(half);
      j.push_back(0);
      step.push_back(2 * m);
      const double minor = static_cast<double>(m) / half;
      stepLen.push_back(static_cast<float>(std::sqrt(100.0 + 121.0 * minor * minor)));
      halfInvM.push_back(m ? static_cast<float>(0.5 / m) : 0.0f);
      horizonZ.push_back(-1e30f);
      horizonD.push_back(1.0f);
    }
    seen.resize(ms.size());
  }

  void Step(const LineStep& g, const float* terrain, const float* before, const float* distance,
            const float* target, Lanes lanes) {
    counts.assign(static_cast<std::size_t>(R) + 40, 0);
    StepRays(g,
             {rem.data(), j.data(), step.data(), stepLen.data(), halfInvM.data(), horizonZ.data(),
              horizonD.data(), terrain, before, distance, target, seen.data(), counts.data()},
             static_cast<int>(rem.size()), lanes);
  }
};

template <typename V>
bool SameBits(const V& a, const V& b) {
  return a.size() == b.size() &&
         std::memcmp(a.data(), b.data(), a.size() * sizeof(typename V::value_type)) == 0;
}

TEST(ViewshedRays, VectorStepEqualsThePlainStepBitForBit) {
  const float kVoid = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* name;
    int R;
    bool everyRay;  // else every third ray: neighbours too far apart for one window
    float eye, drop, offsetB;
  };
  const Case cases[] = {
      {"every ray, curvature", 300, true, 42.0f, 6.7e-8f, 0.0f},
      {"every ray, flat earth, target offset", 157, true, 75.5f, 0.0f, 3.0f},
      {"sparse rays", 301, false, 60.0f, 6.7e-8f, 1.0f},
  };
  for (const Case& c : cases) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> rough(0.0f, 40.0f);
    std::vector<int> ms;
    for (int m = 0; m <= c.R; m += c.everyRay ? 1 : 3) ms.push_back(m);
    Sweep plain(c.R, ms), wide = plain, eight = plain;
    // Lines of cells -1 .. R + 40 (the step may read 32 past the last ray's cell), a void here
    // and there and a flat stretch (sea) on some lines.
    const std::size_t width = static_cast<std::size_t>(c.R) + 42;
    std::vector<float> before(width, kVoid), line(width), distance(width), target(width);
    int verdicts = 0;
    for (int i = 1; i <= c.R; ++i) {
      for (std::size_t x = 0; x < width; ++x) {
        const bool sea = i % 7 < 3 && x < width / 2;
        // Ground rising away from the eye, rough enough to hide some of itself.
        line[x] = random() % 37 == 0 ? kVoid : (sea ? 0.0f : 1.5f * i + rough(random));
        const double minor = static_cast<double>(x) - 1;
        distance[x] = random() % 19 == 0 ? kVoid
                                         : static_cast<float>(std::hypot(10.0 * i, 11.0 * minor));
        target[x] = line[x] + c.offsetB;
      }
      line.front() = kVoid;
      LineStep g;
      g.i = i;
      g.R = c.R;
      g.inv2R = 1.0f / static_cast<float>(2 * c.R);
      g.eye = c.eye;
      g.drop = c.drop;
      g.offsetB = c.offsetB;
      plain.Step(g, line.data() + 1, before.data() + 1, distance.data() + 1, target.data() + 1,
                 Lanes::kOne);
      wide.Step(g, line.data() + 1, before.data() + 1, distance.data() + 1, target.data() + 1,
                Lanes::kWidest);
      eight.Step(g, line.data() + 1, before.data() + 1, distance.data() + 1, target.data() + 1,
                 Lanes::kEight);
      for (const Sweep* other : {&wide, &eight}) {
        ASSERT_TRUE(SameBits(plain.rem, other->rem) && SameBits(plain.j, other->j) &&
                    SameBits(plain.horizonZ, other->horizonZ) &&
                    SameBits(plain.horizonD, other->horizonD) &&
                    SameBits(plain.seen, other->seen) && SameBits(plain.counts, other->counts))
            << c.name << ", line " << i << (other == &wide ? ", widest" : ", eight");
      }
      for (auto v : plain.seen) verdicts += v;
      before = line;
    }
    // Both saw much and hid much: the comparison was not of empty verdicts.
    std::printf("%-40s %d cells seen\n", c.name, verdicts);
    EXPECT_GT(verdicts, c.R * 2) << c.name;
    EXPECT_LT(verdicts, c.R * c.R / 4) << c.name;
  }
}

}  // namespace
}  // namespace velk::host::analysis::rays
