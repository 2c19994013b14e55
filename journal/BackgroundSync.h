#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <QString>

#include "JournalFile.h"

namespace kvq {

// Takes a journal's bytes to the disk on a thread of its own, so that a slow disk never holds
// the window up: a request that comes while one is still waiting replaces it (the newer
// duplicate's sync covers everything the older one's would have).
class BackgroundSync {
public:
    BackgroundSync();
    // What still waits is synced before the thread ends.
    ~BackgroundSync();
    BackgroundSync(const BackgroundSync&) = delete;
    BackgroundSync& operator=(const BackgroundSync&) = delete;

    // Syncs and closes `duplicate`, soon.
    void Request(JournalFile::Duplicate duplicate);
    // Removes a file, soon: freeing a large file's blocks takes tens of milliseconds.
    void Remove(QString fileName);

private:
    void Run();

    std::mutex mutex_;
    std::condition_variable wake_;
    JournalFile::Duplicate waiting_ = JournalFile::kNoDuplicate;
    std::vector<QString> toRemove_;
    bool ending_ = false;
    std::thread thread_;  // last: starts once the rest exists
};

}  // namespace kvq
