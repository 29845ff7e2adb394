// The bounds on database calls, set once at start-up.
#include "platform/db_limits.h"

namespace {
db_timeouts timeouts;
}

void db_set_timeouts(const db_timeouts& t) { timeouts = t; }

const db_timeouts& db_current_timeouts() { return timeouts; }
