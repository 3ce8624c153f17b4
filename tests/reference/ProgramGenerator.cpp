#include "tests/reference/ProgramGenerator.h"

#include <random>
#include <vector>

namespace {

class Generator {
public:
    explicit Generator(std::uint64_t seed) : random(seed) {}

    std::string program() {
        const int storedCount = pick(1, 3);
        const int ruleCount = pick(1, 4);
        for (int i = 0; i < storedCount; ++i) storedArity.push_back(pick(1, 3));
        for (int i = 0; i < ruleCount; ++i) ruleArity.push_back(chance(5) ? 0 : pick(1, 2));
        std::string text;
        for (int i = 0; i < ruleCount; ++i) {
            const int bodies = pick(1, 3);
            for (int b = 0; b < bodies; ++b) text += ruleLine(i, b == 0) + "\n";
        }
        for (int i = 0; i < storedCount; ++i) {
            text += '\n';
            text += block(i);
        }
        // Now and then a second block with a stored name (the first one is read) or a block
        // named like a rule (references then read it instead of the rule).
        if (chance(10)) {
            std::string extra = block(pick(0, storedCount - 1));
            if (chance(50)) extra[0] = ruleName(pick(0, ruleCount - 1)).front();
            text += '\n';
            text += extra;
        }
        return text;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    bool chance(int percent) { return pick(1, 100) <= percent; }

    std::string value() {
        static const char* const kValues[] = {"0", "1", "2", "3", "'a'", "'b'", "'1'"};
        return kValues[pick(0, chance(85) ? 2 : 6)];
    }
    std::string variable() {
        static const char* const kVariables[] = {"X", "Y", "Z", "W"};
        return kVariables[pick(0, 3)];
    }
    std::string storedName(int i) const { return std::string(1, static_cast<char>('e' + i)); }
    std::string ruleName(int i) const { return std::string(1, static_cast<char>('p' + i)); }

    std::string block(int i) {
        const int arity = storedArity[i];
        std::string text = storedName(i) + "(";
        for (int c = 0; c < arity; ++c) {
            text += c > 0 ? ",C" : "C";
            text += std::to_string(c);
        }
        text += ")\n";
        const int rows = pick(0, 12);
        for (int r = 0; r < rows; ++r) {
            const int length = chance(8) ? pick(1, 3) : arity;
            for (int c = 0; c < length; ++c) {
                if (c > 0) text += ',';
                text += value();
            }
            text += "\n";
        }
        return text;
    }

    // A reference to a stored relation or a rule (another or the same one), with the right
    // number of arguments mostly, variables mostly and constants now and then.
    std::string reference(std::vector<std::string>& bound, bool onlyStored) {
        const bool isStored = onlyStored || chance(50);
        const int index = isStored ? pick(0, static_cast<int>(storedArity.size()) - 1)
                                   : pick(0, static_cast<int>(ruleArity.size()) - 1);
        int arity = isStored ? storedArity[index] : ruleArity[index];
        if (chance(5)) arity = pick(0, 3);
        std::string text = (isStored ? storedName(index) : ruleName(index)) + "(";
        for (int c = 0; c < arity; ++c) {
            std::string argument = chance(10) ? value() : variable();
            if (argument.front() != '\'' && !(argument[0] >= '0' && argument[0] <= '9')) {
                bound.push_back(argument);
            }
            if (c > 0) text += ',';
            text += argument;
        }
        return text + ")";
    }

    // Mostly over variables the references bind; now and then over a fresh variable, which a
    // comparison with a constant assigns.
    std::string comparison(const std::vector<std::string>& bound) {
        static const char* const kOperators[] = {"<", "<=", "=", ">", ">="};
        const std::string op = kOperators[pick(0, 4)];
        const auto boundOrFresh = [&] {
            return !bound.empty() && chance(85) ? bound[pick(0, static_cast<int>(bound.size()) - 1)]
                                                : variable();
        };
        const std::string left = boundOrFresh();
        return left + op + (chance(55) ? value() : boundOrFresh());
    }

    std::string ruleLine(int rule, bool onlyStored) {
        std::vector<std::string> bound;
        std::vector<std::string> elements;
        const int references = pick(1, 3);
        for (int k = 0; k < references; ++k) elements.push_back(reference(bound, onlyStored));
        // Odd texts the parser still accepts: an empty-named variable, a quoted comma in a
        // variable name, a bare name, a reference that names nothing.
        static const char* const kOddElements[] = {"=2",    "X=", "e()",    "p( X)", "q(X'a,b')",
                                                   "zz(X)", "e",  "Y>='a'", "X=<1"};
        if (chance(4)) elements.push_back(kOddElements[pick(0, 8)]);
        const int comparisons = pick(0, 2);
        for (int k = 0; k < comparisons; ++k) {
            elements.insert(elements.begin() + pick(0, static_cast<int>(elements.size())),
                            comparison(bound));
        }
        std::string head = ruleName(rule) + "(";
        if (chance(3)) head += ",";
        for (int c = 0; c < ruleArity[rule]; ++c) {
            const bool useBound = !bound.empty() && chance(90);
            if (c > 0) head += ',';
            head += useBound ? bound[pick(0, static_cast<int>(bound.size()) - 1)] : variable();
        }
        std::string body;
        for (std::size_t k = 0; k < elements.size(); ++k) {
            if (k > 0) body += ',';
            body += elements[k];
        }
        return head + ")<-" + body;
    }

    std::mt19937_64 random;
    std::vector<int> storedArity;
    std::vector<int> ruleArity;
};

}  // namespace

std::string generateProgram(std::uint64_t seed) { return Generator(seed).program(); }
