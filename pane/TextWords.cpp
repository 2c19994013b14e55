#include "TextWords.h"

#include <algorithm>

namespace kvq {

namespace {

enum class Kind { Separator, Chinese, Other };

Kind KindOf(QStringView text, int at) {
    const QChar c = text[at];
    if (c == u' ' || c == u',' || c == u'\t') {
        return Kind::Separator;
    }
    // A character outside the basic plane counts with its surrogate pair.
    char32_t code = c.unicode();
    if (c.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
        code = QChar::surrogateToUcs4(c, text[at + 1]);
    } else if (c.isLowSurrogate() && at > 0 && text[at - 1].isHighSurrogate()) {
        code = QChar::surrogateToUcs4(text[at - 1], c);
    }
    return QChar::script(code) == QChar::Script_Han ? Kind::Chinese : Kind::Other;
}

}  // namespace

ColumnRun WordAround(QStringView text, int column) {
    if (text.isEmpty()) {
        return {0, 0};
    }
    column = std::clamp(column, 0, static_cast<int>(text.size()) - 1);
    const Kind kind = KindOf(text, column);
    int from = column;
    while (from > 0 && KindOf(text, from - 1) == kind) {
        --from;
    }
    int to = column + 1;
    while (to < text.size() && KindOf(text, to) == kind) {
        ++to;
    }
    return {from, to};
}

int NextWordStart(QStringView text, int column) {
    const auto size = static_cast<int>(text.size());
    if (column >= size) {
        return size;
    }
    int at = WordAround(text, column).to;
    while (at < size && KindOf(text, at) == Kind::Separator) {
        ++at;
    }
    return at;
}

int PreviousWordStart(QStringView text, int column) {
    int at = std::min(column, static_cast<int>(text.size()));
    while (at > 0 && KindOf(text, at - 1) == Kind::Separator) {
        --at;
    }
    return at > 0 ? WordAround(text, at - 1).from : 0;
}

}  // namespace kvq
