#include "UnsavedLines.h"

#include "RawDataWriter.h"

namespace kvq {

UnsavedLines::UnsavedLines(LineSink& pane, LineJournal& journal) : pane_(pane), journal_(journal) {}

void UnsavedLines::AppendLines(std::span<const std::string> lines) {
    if (journal_.FileName().isEmpty()) {
        journalFirst_ = lines_;
    }
    // In the journal first: a line the pane shows is never lost with the program.
    journal_.Append(lines);
    pane_.AppendLines(lines);
    lines_ += lines.size();
    emit countChanged();
}

void UnsavedLines::Restored(std::size_t lines) {
    journalFirst_ = lines_;
    lines_ += lines;
    emit countChanged();
}

void UnsavedLines::Emptied() {
    lines_ = saved_ = journalFirst_ = 0;
    journal_.Remove();
    emit countChanged();
}

void UnsavedLines::SaveEnded(const SaveReport& report) {
    // A file without records that were there to write holds none of the lines.
    if (report.ok && !report.NoLineMadeARecord() && report.linesRead > saved_) {
        SavedUpTo(report.linesRead);
    }
}

bool UnsavedLines::MayGoAhead(UnsavedLinesAction action, const QuestionBoxFunction& ask) {
    if (Count() > 0) {
        OpenQuestion question(UnsavedLinesQuestion(Count(), action));
        connect(this, &UnsavedLines::countChanged, &question, [this, &question, action] {
            question.SetText(UnsavedLinesQuestion(Count(), action).text);
        });
        if (!ask(question)) {
            return false;
        }
    }
    SavedUpTo(lines_);
    return true;
}

void UnsavedLines::SavedUpTo(std::size_t lines) {
    saved_ = lines;
    if (saved_ >= lines_) {
        journal_.Remove();
    } else if (saved_ > journalFirst_) {
        journal_.DropFirst(saved_ - journalFirst_);
        journalFirst_ = saved_;
    }
    emit countChanged();
}

}  // namespace kvq
