#include "Fields.h"

namespace kvq {

namespace {

bool IsSeparator(unsigned char c) {
    return c == ' ' || c == ',' || c == '\t';
}

std::string_view TrimControl(std::string_view s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && static_cast<unsigned char>(s[begin]) <= 0x20) {
        ++begin;
    }
    while (end > begin && static_cast<unsigned char>(s[end - 1]) <= 0x20) {
        --end;
    }
    return s.substr(begin, end - begin);
}

}  // namespace

void SplitFields(std::string_view line, FieldList& fields) {
    fields.clear();
    const std::string_view text = TrimControl(line);
    std::size_t i = 0;
    while (i < text.size() && fields.size() < kMaxFields) {
        while (i < text.size() && IsSeparator(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
        if (i == text.size()) {
            break;
        }
        const std::size_t start = i;
        while (i < text.size() && !IsSeparator(static_cast<unsigned char>(text[i]))) {
            ++i;
        }
        fields.push_back(TrimControl(text.substr(start, i - start)));
    }
}

}  // namespace kvq
