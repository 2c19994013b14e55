#pragma once

#include <QLockFile>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kvq {

// A journal that a program left behind when it ended without its lines saved or given up
// (killed, crashed, the power or the session gone), locked for the program that found it.
struct LeftJournal {
    QString fileName;
    std::unique_ptr<QLockFile> lock;
    int instrumentType = 0;
    std::size_t lines = 0;
    // Its bytes up to the end of its last whole line.
    std::uint64_t wholeBytes = 0;
};

// The journals in `folder` whose programs have ended, newest first. A journal whose program
// still runs is left to it.
std::vector<LeftJournal> JournalsLeftBehind(const QString& folder);

// Hands the journal's whole lines over in order, a batch at a time; false if it cannot be read.
bool ReadJournalLines(const LeftJournal& left,
                      const std::function<void(std::span<const std::string>)>& batch);

// Its lines are not wanted: the file goes, and its lock.
void DiscardJournal(LeftJournal left);

// The name of a lock that guards a journal.
QString JournalLockName(const QString& journalFileName);

}  // namespace kvq
