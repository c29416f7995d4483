// GL call traces of the check program.
#pragma once

#include <string>
#include <vector>

#include "bench.h"

namespace bench {

struct Call {
    std::string name;
    std::vector<double> args;
};

// Where traced calls go while it is not null.
extern std::vector<Call>* trace_out;
// Hooks the counters and swaps GLEW's remaining buffer entry points. Needs the context current.
void Trace_Install();

}  // namespace bench
