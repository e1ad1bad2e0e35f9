#pragma once

namespace orvane {

// P(a, x), the regularized lower incomplete gamma function, for a > 0 and x >= 0.
double RegularizedLowerGamma(double a, double x);

// Probability that a chi-squared variable with `dof` degrees of freedom (any positive real, as
// equivalent degrees of freedom are) does not exceed x.
double ChiSquaredCdf(double x, double dof);

// The x with ChiSquaredCdf(x, dof) = p, for 0 < p < 1.
double ChiSquaredQuantile(double p, double dof);

}  // namespace orvane
