#pragma once

class DataRow;

// Common base of the body elements. Elements live by value in lists of their own class, so
// nothing is ever destroyed through this base.
class RuleElement {
public:
    // True when the row satisfies the element.
    virtual bool accepts(const DataRow& row) const;

protected:
    RuleElement() = default;
    RuleElement(const RuleElement&) = default;
    RuleElement& operator=(const RuleElement&) = default;
    ~RuleElement() = default;
};
