#include "GbkText.h"

#include <QByteArray>
#include <algorithm>

#include "GbkDecode.h"

namespace kvq {

namespace {

bool IsControlByte(unsigned char c) {
    return (c < 0x20 && c != '\t') || c == 0x7F;
}

// A character the fonts have no glyph for, made of bytes that are not GBK text: a replacement
// character, or a private-use code (what GBK gives 0xFF and its unassigned pairs).
bool IsUndrawable(QChar c) {
    const char16_t u = c.unicode();
    return u == QChar::ReplacementCharacter || (u >= 0xE000 && u <= 0xF8FF);
}

// Which characters of the decoded text stand for raw bytes. The decoders give one
// character for each byte below 0x80, each lead byte with its trail byte and each other byte;
// a text that does not line up with that (no GBK codec here) gets no codes.
std::vector<RawBytes> RawBytesOf(std::string_view bytes, const QString& text) {
    // Most lines have none: one look over the text says so (control bytes show as their
    // pictures, from U+2400).
    if (std::none_of(text.begin(), text.end(), [](QChar c) {
            return IsUndrawable(c) || (c.unicode() >= 0x2400 && c.unicode() <= 0x2421);
        })) {
        return {};
    }
    std::vector<RawBytes> raw;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    int column = 0;
    for (std::size_t i = 0; i < bytes.size(); ++column) {
        if (column >= text.size()) {
            return {};
        }
        const bool pair =
            IsGbkLeadByte(data[i]) && i + 1 < bytes.size() && IsGbkTrailByte(data[i + 1]);
        const int count = pair ? 2 : 1;
        if (IsControlByte(data[i]) || IsUndrawable(text[column])) {
            const auto value =
                static_cast<std::uint16_t>(pair ? data[i] << 8 | data[i + 1] : data[i]);
            raw.push_back({column, value, count});
        }
        i += static_cast<std::size_t>(count);
    }
    return column == text.size() ? raw : std::vector<RawBytes>{};
}

void ShowControlPictures(QString& text) {
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != u'\t') {
            c = QChar(char16_t(0x2400 + u));
        } else if (u == 0x7F) {
            c = QChar(char16_t(0x2421));
        }
    }
}

}  // namespace

ShownLine GbkShownLine(std::string_view bytes) {
    ShownLine shown{GbkLineText(bytes), {}};
    shown.raw = RawBytesOf(bytes, shown.text);
    return shown;
}

QString GbkLineText(std::string_view bytes) {
    // A line feed after the line ends a double-byte character cut short at its end, which
    // then shows as a replacement character instead of vanishing in the decoder's state.
    QByteArray ended;
    ended.reserve(static_cast<qsizetype>(bytes.size()) + 1);
    ended.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
    ended.append('\n');
    QString text = DecodeGbk(ended);
    text.chop(1);
    ShowControlPictures(text);
    return text;
}

}  // namespace kvq
