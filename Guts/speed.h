// The speed layer: the parts of the program that only save work and never
// change a result. They are
//   - the reuse of two-sided limit pairs within a case (PairCache.h);
//   - the G values kept within one H-factor search (NewSecantAdap.cpp);
//   - the integrals of F and x*F built level by level (simpson::integrate in
//     AdaptiveSimpson.h) instead of by the one-interval-at-a-time walk.
// Turned off, every pair, every G value and every integral is computed afresh
// by the plain scheme: the reference that every integral, evaluation count,
// diagnostic record and the control block must match bit for bit with the
// layer on. The build option TOLVANE_SPEED_LAYER=OFF makes off the default.
#pragma once

namespace speed {

bool enabled();

// Takes effect from the next pair, H-factor search or integral.
void enable(bool on);

}  // namespace speed
