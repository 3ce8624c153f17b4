#include "data/Data.h"

std::string Data::getType() const { return "xx"; }
