// SPDX-License-Identifier: MIT
#include "digit_strings.h"

namespace dorvanel {

bool IsDigitString(const std::string& s) {
    return s.size() == 1 && s[0] >= '0' && s[0] <= '9';
}

std::string AddDigitStrings(std::string a, std::string b) {
    if (a.size() > b.size())
        b.insert(0, a.size() - b.size(), '0');
    if (b.size() > a.size())
        a.insert(0, b.size() - a.size(), '0');

    // Built from the right, then reversed: cheaper than putting each digit in front.
    std::string reversed;
    reversed.reserve(a.size() + 1);
    int carry = 0;
    for (std::size_t p = a.size(); p-- > 0;) {
        if (!IsDigitString(std::string(1, a[p])) || !IsDigitString(std::string(1, b[p])))
            continue;
        int s = (a[p] - '0') + (b[p] - '0') + carry;
        carry = 0;
        while (s > 9) {
            s -= 10;
            ++carry;
        }
        reversed.push_back(static_cast<char>('0' + s));
    }
    if (carry > 0) {
        const std::string c = std::to_string(carry);
        reversed.append(c.rbegin(), c.rend());
    }
    if (reversed.empty())
        return "0";
    return std::string(reversed.rbegin(), reversed.rend());
}

} // namespace dorvanel
