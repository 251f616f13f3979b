#include "speed.h"

namespace speed {
namespace {

#ifdef TOLVANE_PLAIN
bool on = false;
#else
bool on = true;
#endif

}  // namespace

bool enabled() { return on; }

void enable(bool on_) { on = on_; }

}  // namespace speed
