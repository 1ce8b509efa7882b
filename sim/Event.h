#pragma once
// Something a run reports beside what the instruments show: a conflict on a net, an access no chip
// answers, a chip driven in a way its model does not cover, the CPU stopping. Texts are Chinese, as the
// program's; they name terminals and addresses as the board prints them.
#include "sim/Time.h"

#include <string>

namespace sim {

struct Event {
    Time time = 0;
    std::string text; // UTF-8
};

} // namespace sim
