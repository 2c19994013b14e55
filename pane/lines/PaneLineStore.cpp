#include "PaneLineStore.h"

#include <cstring>

#include "PaneLines.h"

namespace kvq {

namespace {

// Large enough that the per-block waste and the block list stay small, small enough that the
// last, partly used block costs little.
constexpr std::size_t kBlockBytes = 1 << 20;

}  // namespace

PaneLineStore::PaneLineStore(std::span<const std::string> handedOver) {
    Append(handedOver);
}

void PaneLineStore::Append(std::string_view handedOver) {
    const std::string_view line = PaneStoredLine(handedOver);
    char* at = Room(line.size());
    if (!line.empty()) {
        std::memcpy(at, line.data(), line.size());
    }
    index_.push_back({static_cast<std::uint32_t>(blocks_.size() - 1),
                      static_cast<std::uint32_t>(blockUsed_),
                      static_cast<std::uint32_t>(line.size())});
    blockUsed_ += line.size();
    bytes_ += line.size();
}

void PaneLineStore::Append(std::span<const std::string> handedOver) {
    for (const std::string& line : handedOver) {
        Append(line);
    }
}

char* PaneLineStore::Room(std::size_t size) {
    if (blocks_.empty() || blockSize_ - blockUsed_ < size) {
        // A line longer than a block gets a block of its own size: lines never span blocks.
        blockSize_ = std::max(size, kBlockBytes);
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize_));
        blockUsed_ = 0;
    }
    return blocks_.back().get() + blockUsed_;
}

void PaneLineStore::Clear() {
    // Swapped out, not cleared: the memory of a million lines goes back at once.
    std::deque<LineRef>().swap(index_);
    std::vector<std::unique_ptr<char[]>>().swap(blocks_);
    blockUsed_ = 0;
    blockSize_ = 0;
    bytes_ = 0;
}

bool PaneLineStore::ReleaseSome(std::size_t maxBlocks) {
    for (std::size_t released = 0; released < maxBlocks && !blocks_.empty(); ++released) {
        const auto last = static_cast<std::uint32_t>(blocks_.size() - 1);
        while (!index_.empty() && index_.back().block == last) {
            bytes_ -= index_.back().size;
            index_.pop_back();
        }
        blocks_.pop_back();
    }
    if (blocks_.empty()) {
        Clear();
        return true;
    }
    // Appends go on into a fresh block: the last one may be gone.
    blockUsed_ = blockSize_;
    return false;
}

std::string_view PaneLineStore::Stored(std::size_t i) const {
    const LineRef& ref = index_[i];
    return {blocks_[ref.block].get() + ref.offset, ref.size};
}

std::string_view PaneLineStore::ReadBack(std::size_t i) const {
    return PaneReadBack(Stored(i));
}

}  // namespace kvq
