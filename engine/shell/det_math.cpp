// Deterministic maths. Placeholder over the C library until the portable kernels land.
#include "shell/det_math.h"

#include <cmath>

double det_sin(double x) { return std::sin(x); }
double det_cos(double x) { return std::cos(x); }
double det_atan2(double y, double x) { return std::atan2(y, x); }
double det_exp2(double x) { return std::exp2(x); }
double det_sqrt(double x) { return std::sqrt(x); }
float det_sqrtf(float x) { return std::sqrt(x); }
