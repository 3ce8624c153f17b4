#pragma once

#include <functional>
#include <vector>

#include "data/RelationTable.h"

// Work for a thread of a shared pass that would otherwise wait while another takes rows in or
// extends the indexes: it is shown the rule tables, whose committed rows nothing changes or
// moves meanwhile, does a little and returns whether it did anything. A run writes the first
// relation's committed rows with it, as they keep their place whatever follows.
using SpareWork = std::function<bool(const std::vector<RelationTable>&)>;
