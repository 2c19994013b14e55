#include "BackgroundSync.h"

namespace kvq {

BackgroundSync::BackgroundSync() : thread_([this](std::stop_token stop) { Run(stop); }) {}

BackgroundSync::~BackgroundSync() {
    thread_.request_stop();
    thread_.join();
    JournalFile::Release(waiting_, true);
}

void BackgroundSync::Request(JournalFile::Duplicate duplicate) {
    JournalFile::Duplicate older = JournalFile::kNoDuplicate;
    {
        const std::lock_guard lock(mutex_);
        older = waiting_;
        waiting_ = duplicate;
    }
    wake_.notify_one();
    // The newer duplicate's sync covers everything written before it.
    JournalFile::Release(older, false);
}

void BackgroundSync::Run(std::stop_token stop) {
    for (;;) {
        JournalFile::Duplicate duplicate = JournalFile::kNoDuplicate;
        {
            std::unique_lock lock(mutex_);
            if (!wake_.wait(lock, stop, [this] { return waiting_ != JournalFile::kNoDuplicate; })) {
                return;
            }
            duplicate = waiting_;
            waiting_ = JournalFile::kNoDuplicate;
        }
        JournalFile::Release(duplicate, true);
    }
}

}  // namespace kvq
