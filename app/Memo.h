#pragma once

#include <QPlainTextEdit>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Rdcom.h"

namespace kvq {

// The text pane of received lines. It keeps every line as the bytes the pane stores of it
// and shows it decoded from GBK; the save reads the bytes, never the shown text, so bytes
// that are not GBK are saved as they came.
class Memo : public QPlainTextEdit, public LineSink {
    Q_OBJECT
public:
    explicit Memo(QWidget* parent = nullptr);

    // Appends the lines of one read step in one edit and keeps the view at the bottom.
    void AppendLines(std::span<const std::string> lines) override;
    void Clear();

    std::size_t LineCount() const { return lines_.size(); }
    bool HasLine() const { return !lines_.empty(); }
    // The stored bytes of each line, in order of arrival.
    std::span<const std::string> StoredLines() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

// How stored lines are shown: decoded from GBK and joined by line feeds. Bytes that are not
// GBK become replacement characters; control bytes other than tab are shown as their
// control pictures, so that every stored line stays exactly one line on screen.
QString DisplayText(std::span<const std::string> lines);

}  // namespace kvq
