// Series evaluations behind the table builders. Built once at engine start; speed does
// not matter here, only that every build performs the same operations.
#include "synthesis/table_math.h"

#include <cmath>

namespace quorforce {
namespace {

// pi/2 in two parts: the first has trailing zero bits, so small multiples of it are exact.
constexpr double kHalfPiHigh = 1.57079632673412561417e+00;
constexpr double kHalfPiLow = 6.07710050650619224932e-11;
constexpr double kHalfPi = 1.57079632679489655800e+00;

// Taylor series of sin and cos for |r| <= pi/4, summed from the smallest term.
double SineSeries(double r) {
    const double r2 = r * r;
    double sum = 0.0;
    for (int n = 25; n >= 3; n -= 2)
        sum = (sum + 1.0) * r2 / ((n - 1.0) * n) * -1.0;
    return r + r * sum;
}

double CosineSeries(double r) {
    const double r2 = r * r;
    double sum = 0.0;
    for (int n = 24; n >= 2; n -= 2)
        sum = (sum + 1.0) * r2 / ((n - 1.0) * n) * -1.0;
    return 1.0 + sum;
}

// asin for |x| <= 0.5 by its power series.
double ArcsineSeries(double x) {
    const double x2 = x * x;
    double term = x;  // (2n)! / (4^n (n!)^2) x^(2n+1)
    double sum = x;
    for (int n = 1; n < 40; ++n) {
        term *= x2 * (2.0 * n - 1.0) / (2.0 * n);
        sum += term / (2.0 * n + 1.0);
    }
    return sum;
}

}  // namespace

double TableSine(double x) {
    const double k = std::floor(x / kHalfPi + 0.5);
    const double r = (x - k * kHalfPiHigh) - k * kHalfPiLow;
    switch (static_cast<int>(k - 4.0 * std::floor(k / 4.0))) {
    case 0: return SineSeries(r);
    case 1: return CosineSeries(r);
    case 2: return -SineSeries(r);
    default: return -CosineSeries(r);
    }
}

double TableArcsine(double x) {
    const double a = std::fabs(x);
    double result;
    if (a <= 0.5) {
        result = ArcsineSeries(a);
    } else {
        // asin(a) = pi/2 - 2 asin(sqrt((1 - a) / 2)), whose argument is at most 0.5.
        result = kHalfPi - 2.0 * ArcsineSeries(std::sqrt((1.0 - a) / 2.0));
    }
    return x < 0 ? -result : result;
}

}  // namespace quorforce
