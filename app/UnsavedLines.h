#pragma once

#include <QObject>
#include <cstddef>
#include <span>
#include <string>

#include "LineJournal.h"
#include "Messages.h"
#include "QuestionBox.h"
#include "Rdcom.h"

namespace kvq {

struct SaveReport;

// The pane's lines that are in no file yet, and the rules before they are lost. Lines are
// unsaved from their arrival until a save wrote them without a failure; lines that came during
// the save, a failed save and a save that found no line of the selected type (an empty file,
// most likely the wrong type) leave them unsaved. Every action that would lose unsaved lines
// asks first; No changes nothing, Yes gives them up.
//
// Read steps hand their lines here: they go into the journal, then on to the pane. The
// journal holds the unsaved lines and no others, so that a program that dies offers them back
// at its next start.
class UnsavedLines : public QObject, public LineSink {
    Q_OBJECT
public:
    UnsavedLines(LineSink& pane, LineJournal& journal);

    void AppendLines(std::span<const std::string> lines) override;
    // The pane holds `lines` lines of an earlier run again, and the journal has adopted them.
    void Restored(std::size_t lines);
    // The pane was emptied.
    void Emptied();
    // A save has ended with `report`; it wrote the pane's first `report.linesRead` lines.
    void SaveEnded(const SaveReport& report);
    // True when `action` may go ahead: nothing would be lost, or the user agrees to lose the
    // unsaved lines, which are then given up. The question's number follows the lines that
    // arrive while it is open, so Yes loses no line the box did not count.
    bool MayGoAhead(UnsavedLinesAction action, const QuestionBoxFunction& ask);

    // Lines not yet in a file.
    std::size_t Count() const { return lines_ - saved_; }

signals:
    void countChanged();

private:
    // The pane's first `lines` lines need no keeping any more.
    void SavedUpTo(std::size_t lines);

    LineSink& pane_;
    LineJournal& journal_;
    std::size_t lines_ = 0;         // in the pane
    std::size_t saved_ = 0;         // the first lines of the pane, written or given up
    std::size_t journalFirst_ = 0;  // the pane's line that is the journal's first
};

}  // namespace kvq
