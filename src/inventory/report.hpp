// The score report: the question scores folded into one score, labelled as
// based on 100, and the verdict of each score band the score falls in.
#pragma once

#include "inventory/catalogue.hpp"
#include "inventory/io.hpp"

namespace inventory {

// (total + 75) / 2, the total being the sum of the nine slots. Not clamped:
// it may be negative or above 100. Why it is worked as it is: catalogue.hpp.
float final_score(const ScoreSlots& slots);

// Writes a single-precision value as printf's %g would: six significant
// digits, no trailing zeros, and the exponent form for very large or very
// small values.
void write_number(Output& output, float value);

// Writes the score line, then the verdict block of every band that holds the
// score.
void write_report(Output& output, const ScoreSlots& slots);

}  // namespace inventory
