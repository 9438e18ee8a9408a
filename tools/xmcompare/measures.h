// The two conformance measures: how many steps agree on (order, row), and how closely the two
// loudness envelopes follow each other (Pearson correlation, insensitive to overall gain).
#pragma once
#include <cstdint>
#include <vector>

// Share of steps, 0..1, whose positions are equal, over the shorter of the two traces.
double timeline_agreement(const std::vector<int32_t>& a, const std::vector<int32_t>& b);
// Pearson correlation of two series over the shorter length; 1 when both are constant and equal
// in shape (silence against silence), 0 when only one of them is constant.
double correlation(const std::vector<double>& a, const std::vector<double>& b);
double median(std::vector<double> values);
