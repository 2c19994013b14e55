#include "BackgroundSync.h"

#include <QFile>

namespace kvq {

BackgroundSync::BackgroundSync() : thread_([this] { Run(); }) {}

BackgroundSync::~BackgroundSync() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void BackgroundSync::Request(JournalFile::Duplicate duplicate) {
    JournalFile::Duplicate older = JournalFile::kNoDuplicate;
    {
        const std::lock_guard lock(mutex_);
        older = waiting_;
        waiting_ = duplicate;
    }
    wake_.notify_one();
    JournalFile::Release(older, false);
}

void BackgroundSync::Remove(QString fileName) {
    {
        const std::lock_guard lock(mutex_);
        toRemove_.push_back(std::move(fileName));
    }
    wake_.notify_one();
}

void BackgroundSync::Run() {
    for (;;) {
        JournalFile::Duplicate duplicate = JournalFile::kNoDuplicate;
        std::vector<QString> toRemove;
        bool ending = false;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] {
                return ending_ || waiting_ != JournalFile::kNoDuplicate || !toRemove_.empty();
            });
            duplicate = waiting_;
            waiting_ = JournalFile::kNoDuplicate;
            toRemove.swap(toRemove_);
            ending = ending_;
        }
        JournalFile::Release(duplicate, true);
        for (const QString& fileName : toRemove) {
            QFile::remove(fileName);
        }
        if (ending) {
            return;
        }
    }
}

}  // namespace kvq
