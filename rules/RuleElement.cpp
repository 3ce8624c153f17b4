#include "rules/RuleElement.h"

bool RuleElement::accepts(const DataRow& /*row*/) const { return true; }
