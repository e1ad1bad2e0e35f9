#include "stability/chi_squared.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvane {
namespace {

constexpr double kEpsilon = 1e-15;
constexpr int kMaxIterations = 100000;

// Power series of P(a, x); converges quickly for x < a + 1.
double LowerGammaSeries(double a, double x) {
  double term = 1.0 / a;
  double sum = term;
  for (int n = 1; n < kMaxIterations && std::abs(term) > std::abs(sum) * kEpsilon; ++n) {
    term *= x / (a + n);
    sum += term;
  }
  return sum * std::exp(-x + a * std::log(x) - std::lgamma(a));
}

// Continued fraction of Q(a, x) = 1 - P(a, x) (modified Lentz); converges quickly for x >= a + 1.
double UpperGammaFraction(double a, double x) {
  constexpr double kTiny = std::numeric_limits<double>::min() / kEpsilon;
  double b = x + 1.0 - a;
  double c = 1.0 / kTiny;
  double d = 1.0 / b;
  double h = d;
  for (int i = 1; i < kMaxIterations; ++i) {
    const double an = -i * (i - a);
    b += 2.0;
    d = an * d + b;
    if (std::abs(d) < kTiny) d = kTiny;
    c = b + an / c;
    if (std::abs(c) < kTiny) c = kTiny;
    d = 1.0 / d;
    const double delta = d * c;
    h *= delta;
    if (std::abs(delta - 1.0) < kEpsilon) break;
  }
  return h * std::exp(-x + a * std::log(x) - std::lgamma(a));
}

double ChiSquaredDensity(double x, double dof) {
  const double k = dof / 2.0;
  return std::exp((k - 1.0) * std::log(x) - x / 2.0 - k * std::log(2.0) - std::lgamma(k));
}

}  // namespace

double RegularizedLowerGamma(double a, double x) {
  if (x <= 0.0) return 0.0;
  return x < a + 1.0 ? LowerGammaSeries(a, x) : 1.0 - UpperGammaFraction(a, x);
}

double ChiSquaredCdf(double x, double dof) { return RegularizedLowerGamma(dof / 2.0, x / 2.0); }

double ChiSquaredQuantile(double p, double dof) {
  double low = 0.0;
  double high = std::max(dof, 1.0);
  while (ChiSquaredCdf(high, dof) < p) {
    low = high;
    high *= 2.0;
  }
  // Newton from the mean converges in a few steps; a step that would leave the bracket (small
  // dof, extreme p) is replaced by bisection.
  double x = std::clamp(dof, low, high);
  for (int i = 0; i < 200; ++i) {
    const double error = ChiSquaredCdf(x, dof) - p;
    (error < 0.0 ? low : high) = x;
    const double newton = x - error / ChiSquaredDensity(x, dof);
    if (std::abs(newton - x) <= 1e-13 * x) return newton;
    x = newton > low && newton < high ? newton : (low + high) / 2.0;
  }
  return x;
}

}  // namespace orvane
