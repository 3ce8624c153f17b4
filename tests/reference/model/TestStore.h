#pragma once

#include "tests/reference/model/RunStore.h"

// The store of the values and relations that unit tests build as fixtures: they live as long as
// the tests. A reference run makes a store of its own.
inline RunStore& testStore() {
    static RunStore store;
    return store;
}
