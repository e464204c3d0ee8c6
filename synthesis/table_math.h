// Sine and arcsine for building the engine's tables, from additions, multiplications,
// divisions and square roots alone. The platforms' maths libraries differ in the last bits
// (the Windows runtime's arcsine does), and forces must be the same on the wheel as in the
// tests, so the tables do not depend on them. Accurate to about one unit in the last
// place of a double; the tables round the results to single precision.
#pragma once

namespace quorforce {

// For |x| up to a few turns.
double TableSine(double x);
// For x in -1..1.
double TableArcsine(double x);

}  // namespace quorforce
