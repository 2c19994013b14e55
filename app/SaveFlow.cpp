#include "SaveFlow.h"

#include <QFileInfo>

#include "PaneLineStore.h"
#include "PathRules.h"
#include "SystemStrings.h"

namespace kvq {

namespace {

#ifdef Q_OS_WIN
const QString kAllFilesPattern = QStringLiteral("*.*");
#else
// "*.*" would hide the many files without a dot on this system.
const QString kAllFilesPattern = QStringLiteral("*");
#endif

FileLeft LeftIn(const SaveReport& report) {
    if (report.existingFileKept) {
        return FileLeft::kOldContentKept;
    }
    switch (report.end) {
        case FileEnd::kNotCut:
            break;
        case FileEnd::kWholeRecords:
            return FileLeft::kWholeRecords;
        case FileEnd::kMayEndInPart:
            return FileLeft::kMayEndInPart;
    }
    return FileLeft::kNotSaid;
}

// The message a writer's report calls for, if any.
std::optional<BoxMessage> SaveMessage(const SaveReport& report) {
    if (!report.ok) {
        return SaveFailedMessage(FromSystem(report.fileName), FromSystem(report.errorText),
                                 LeftIn(report), report.records);
    }
    if (report.readingsNotWritten > 0) {
        // The file keeps its twenty-column records; the user learns what was left out.
        return IncompleteGroupMessage(report.readingsNotWritten);
    }
    if (report.NoLineMadeARecord()) {
        return EmptySaveMessage();
    }
    return std::nullopt;
}

}  // namespace

SaveFlow::SaveFlow(SaveFlowSeams seams, QString dataFolder)
    : seams_(std::move(seams)), dataFolder_(std::move(dataFolder)) {}

SaveOutcome SaveFlow::Run(const PaneLineStore& lines, int instrumentType,
                          const std::function<void()>& aside) {
    SaveOutcome outcome;
    if (lines.Count() == 0) {
        // No dialog and no file: an empty pane would replace a good file with nothing.
        outcome.message = NothingToSaveMessage();
        return outcome;
    }
    SaveDialogRequest request = Request();
    std::unique_ptr<RawDataWriter> writer;
    while (!writer) {
        const std::optional<QString> chosen = seams_.dialog(request);
        if (!chosen || chosen->isEmpty()) {
            return outcome;
        }
        writer = AgreedWriter(ForceKvqExtension(ToSystemName(*chosen)), instrumentType);
        // After a No, back to the dialog with what the user typed.
        request.proposedName = *chosen;
    }
    proposedName_ = FromSystem(writer->Report().fileName);
    outcome.report =
        writer->Report().ok ? WriteRawDataFile(lines, *writer, aside) : writer->Finish();
    outcome.message = SaveMessage(*outcome.report);
    return outcome;
}

SaveDialogRequest SaveFlow::Request() const {
    SaveDialogRequest request;
    request.title = QStringLiteral("保存传输的数据");
    request.filters = QStringList{
        NameFilter(QStringLiteral("KVQ格式原始数据文件(*.kvq)"), QStringLiteral("*.kvq")),
        NameFilter(QStringLiteral("所有文件(*.*)"), kAllFilesPattern)};
    request.startFolder = SaveStartFolder(dataFolder_);
    request.proposedName = proposedName_;
    return request;
}

// An existing file is replaced only when the user says so: the dialog's own question would
// name what was typed, and "L10.7" and "L10.9" both write "L10.kvq". It is written over in
// place only when the user agrees to lose it if the save fails.
std::unique_ptr<RawDataWriter> SaveFlow::AgreedWriter(const std::string& fileName,
                                                      int instrumentType) {
    const QFileInfo written(FromSystem(fileName));
    if (written.exists() && !written.isDir() &&
        !seams_.ask(ReplaceFileQuestion(written.fileName()))) {
        return nullptr;
    }
    auto writer = std::make_unique<RawDataWriter>(instrumentType, fileName);
    if (writer->Open(Replacement::kBeside) != Opening::kNoReplacementBeside) {
        return writer;
    }
    const QString reason = FromSystem(writer->Report().errorText);
    if (!seams_.ask(WriteInPlaceQuestion(written.fileName(), reason))) {
        return nullptr;
    }
    writer = std::make_unique<RawDataWriter>(instrumentType, fileName);
    writer->Open(Replacement::kInPlace);
    return writer;
}

}  // namespace kvq
