#pragma once

#include <QByteArray>
#include <cstddef>
#include <optional>

namespace kvq {

// A journal file: a first line that names the format and the instrument type the lines came
// under, then each line as the receiver handed it over, ended by a line feed (a handed-over
// line holds none). Bytes after the last line feed are a line cut off by the end of the
// program: they are no line.
inline constexpr char kJournalSuffix[] = ".journal";
// A journal whose lines are saved or given up, renamed at once and removed soon after; one
// that a killed program left behind is removed at the next start.
inline constexpr char kRemovedJournalSuffix[] = ".journal-removed";

QByteArray JournalHeader(int instrumentType);

struct JournalStart {
    int instrumentType = 0;
    std::size_t headerBytes = 0;
};
// The first line of a journal of this format, from the file's first bytes.
std::optional<JournalStart> ReadJournalHeader(const QByteArray& firstBytes);

}  // namespace kvq
