#pragma once

#include <vector>

// A growable array of doubles; the burst read-back stages values in these before it hands
// them to a series in one batch.
using TAr = std::vector<double>;
