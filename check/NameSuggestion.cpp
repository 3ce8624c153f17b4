#include "check/NameSuggestion.h"

#include <algorithm>
#include <cctype>

namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool isSameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

// Edits of single bytes (insert, delete, replace) that turn a into b.
std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> previous(b.size() + 1);
    std::vector<std::size_t> current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t replace = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, replace});
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

}  // namespace

std::string nearestName(std::string_view unknown, const std::vector<std::string>& known) {
    for (const std::string& name : known) {
        if (isSameIgnoringCase(name, unknown)) return name;
    }
    // Names far longer than the unknown one cannot be near; they are not measured.
    const std::size_t allowed = std::max<std::size_t>(1, unknown.size() / 3);
    std::string best;
    std::size_t bestDistance = allowed + 1;
    for (const std::string& name : known) {
        const std::size_t gap = name.size() > unknown.size() ? name.size() - unknown.size()
                                                             : unknown.size() - name.size();
        if (gap > allowed || name.size() > 256 || unknown.size() > 256) continue;
        const std::size_t distance = editDistance(unknown, name);
        if (distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}
