#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Messages.h"
#include "RawDataWriter.h"
#include "SaveDialog.h"

namespace kvq {

class PaneLineStore;

// What the save asks of the user: a file name from the save dialog (nothing: cancelled) and
// the answer to a question (true: Yes). The window shows the real ones; tests answer.
struct SaveFlowSeams {
    std::function<std::optional<QString>(const SaveDialogRequest& request)> dialog;
    std::function<bool(const BoxMessage& question)> ask;
};

// What a save came to.
struct SaveOutcome {
    // The writer's report; nothing when no file was written (cancelled, or nothing to save).
    std::optional<SaveReport> report;
    std::optional<BoxMessage> message;  // what the user is told, if anything
};

// The save command from the name to what the user is told: the dialog until a name is taken,
// the forced ".kvq", the question before an existing file is replaced (No: the dialog again
// with the typed name), the question before it is written over in place when it cannot be
// replaced through a temporary file, the writer, and the message its report calls for. Keeps
// the name for the next save of the run.
class SaveFlow {
public:
    SaveFlow(SaveFlowSeams seams, QString dataFolder);

    // Saves the pane's lines with an instrument type; `aside` runs now and then while the
    // lines are written (the window keeps its event loop going there).
    SaveOutcome Run(const PaneLineStore& lines, int instrumentType,
                    const std::function<void()>& aside = {});
    // The file name the next save proposes: the last one written, with its ".kvq".
    const QString& ProposedName() const { return proposedName_; }

private:
    SaveDialogRequest Request() const;
    // The writer for a name, opened as the user agreed (its report says if the file cannot be
    // written); nothing when the user said No: the dialog comes again.
    std::unique_ptr<RawDataWriter> AgreedWriter(const std::string& fileName, int instrumentType);

    SaveFlowSeams seams_;
    QString dataFolder_;
    QString proposedName_;
};

}  // namespace kvq
