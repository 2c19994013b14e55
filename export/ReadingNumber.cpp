#include "ReadingNumber.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kvq {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The 80-bit extended type holds at most (2^64 - 1) * 2^16320. Halfway between it and the
// next step up, 2^16384, lies (2^65 - 1) * 2^16319: rounding to nearest sends everything
// below it to the largest value, and the halfway value itself to 2^16384 (ties go to the
// even significand, and the largest value's is odd), which is infinity. So a value is finite
// exactly when its magnitude is below this bound, an integer of 4933 decimal digits.
constexpr long kBoundDecimalExponent = 4932;  // position of the bound's leading digit

// The bound's decimal digits, worked out once in base 10^9 limbs (least significant first).
const std::string& OverflowBoundDigits() {
    static const std::string digits = [] {
        constexpr std::uint64_t kBase = 1'000'000'000;
        std::vector<std::uint64_t> limbs{419103231, 893488147, 36};  // 2^65 - 1
        int twos = 16319;
        while (twos > 0) {
            const int step = twos < 29 ? twos : 29;
            twos -= step;
            std::uint64_t carry = 0;
            for (std::uint64_t& limb : limbs) {
                const std::uint64_t v = (limb << step) + carry;
                limb = v % kBase;
                carry = v / kBase;
            }
            while (carry > 0) {
                limbs.push_back(carry % kBase);
                carry /= kBase;
            }
        }
        std::string text = std::to_string(limbs.back());
        for (std::size_t i = limbs.size() - 1; i-- > 0;) {
            const std::string part = std::to_string(limbs[i]);
            text.append(9 - part.size(), '0').append(part);
        }
        return text;
    }();
    return digits;
}

// Compares the significant digits of a value whose leading digit stands at the bound's
// position with the bound: true when the value is below it.
bool BelowOverflowBound(std::string_view leadInt, std::string_view leadFrac) {
    const std::string& bound = OverflowBoundDigits();
    std::size_t i = 0;
    for (std::string_view part : {leadInt, leadFrac}) {
        for (char c : part) {
            const char b = i < bound.size() ? bound[i] : '0';
            if (c != b) {
                return c < b;
            }
            ++i;
        }
    }
    // Digits of the bound still to come (its last one is not zero) make the value smaller;
    // none left means equal to the bound, and the tie rounds up to infinity.
    return i < bound.size();
}

// The parts of a number's text that decide whether it is one.
struct NumberText {
    std::string_view intDigits;
    std::string_view fracDigits;
    bool point = false;
    bool expNegative = false;
    std::string_view expDigits;
};

// Where the leading significant digit stands (its decimal exponent) and the digits from it on.
struct LeadingDigit {
    long position = 0;
    std::string_view intDigits;
    std::string_view fracDigits;
};

// False when all digits are zero.
bool FindLeadingDigit(std::string_view intDigits, std::string_view fracDigits, LeadingDigit& lead) {
    const std::size_t i = intDigits.find_first_not_of('0');
    if (i != std::string_view::npos) {
        lead = {static_cast<long>(intDigits.size() - i) - 1, intDigits.substr(i), fracDigits};
        return true;
    }
    const std::size_t f = fracDigits.find_first_not_of('0');
    if (f == std::string_view::npos) {
        return false;
    }
    lead = {-static_cast<long>(f) - 1, {}, fracDigits.substr(f)};
    return true;
}

// The written exponent; long runs are clamped so that sums with it cannot overflow.
long WrittenExponent(bool negative, std::string_view digits) {
    long exponent = 0;
    for (char c : digits) {
        exponent = exponent * 10 + (c - '0');
        if (exponent > 1'000'000) {
            exponent = 1'000'000;
            break;
        }
    }
    return negative ? -exponent : exponent;
}

// Decides the range by the position of the leading significant digit; only a value in the
// bound's own decade needs its digits compared.
bool FitsExtended(const NumberText& number) {
    LeadingDigit lead;
    if (!FindLeadingDigit(number.intDigits, number.fracDigits, lead)) {
        return true;  // zero
    }
    const long decimal = lead.position + WrittenExponent(number.expNegative, number.expDigits);
    if (decimal < kBoundDecimalExponent) {
        return true;  // tiny values underflow to zero or a denormal: still a number
    }
    if (decimal > kBoundDecimalExponent) {
        return false;
    }
    return BelowOverflowBound(lead.intDigits, lead.fracDigits);
}

// Steps through a text one character class at a time.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool At(char c) const { return i_ < text_.size() && text_[i_] == c; }
    // Steps over one character if it is one of `chars`.
    bool Skip(std::string_view chars) {
        if (i_ < text_.size() && chars.find(text_[i_]) != std::string_view::npos) {
            ++i_;
            return true;
        }
        return false;
    }
    void SkipBlanks() {
        while (At(' ')) {
            ++i_;
        }
    }
    std::string_view Digits() {
        const std::size_t start = i_;
        while (i_ < text_.size() && IsDigit(text_[i_])) {
            ++i_;
        }
        return text_.substr(start, i_ - start);
    }
    bool AtEnd() const { return i_ == text_.size(); }

private:
    std::string_view text_;
    std::size_t i_ = 0;
};

// Blanks, sign, digits, point, digits, exponent, blanks; nothing when the text has another shape.
std::optional<NumberText> ScanNumber(std::string_view text) {
    Scanner scan(text);
    NumberText number;
    scan.SkipBlanks();
    scan.Skip("+-");
    number.intDigits = scan.Digits();
    number.point = scan.Skip(".");
    if (number.point) {
        number.fracDigits = scan.Digits();
    }
    if (number.intDigits.empty() && !number.point) {
        return std::nullopt;
    }
    if (scan.Skip("Ee")) {
        number.expNegative = scan.At('-');
        scan.Skip("+-");
        number.expDigits = scan.Digits();
    }
    scan.SkipBlanks();
    if (!scan.AtEnd()) {
        return std::nullopt;
    }
    return number;
}

}  // namespace

bool IsReading(std::string_view text) {
    const std::optional<NumberText> number = ScanNumber(text);
    return number && FitsExtended(*number);
}

}  // namespace kvq
