#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kvq {

// The lines of the text pane, each kept once as the bytes the pane stores of it. This is the
// one place where the pane's line rules are applied: the window's view draws from it, the save
// and kvq-convert read from it.
//
// Bytes live in large blocks that never move, so the store grows without copying what it
// already holds: its memory stays close to the line bytes, with no doubling peak.
class PaneLineStore {
public:
    PaneLineStore() = default;
    // A store holding the given lines, handed over as the receiver would.
    explicit PaneLineStore(std::span<const std::string> handedOver);
    PaneLineStore(PaneLineStore&&) noexcept = default;
    PaneLineStore& operator=(PaneLineStore&&) noexcept = default;

    // Appends one line as the receiver hands it over; the pane's rules decide what is kept.
    void Append(std::string_view handedOver);
    // Appends the lines of one read step.
    void Append(std::span<const std::string> handedOver);
    void Clear();
    // Empties the store a little at a time, last lines first, giving back at most maxBlocks
    // blocks of bytes; true once it is empty. A million lines given back at once would hold a
    // window up for longer than a frame.
    bool ReleaseSome(std::size_t maxBlocks);

    std::size_t Count() const { return index_.size(); }
    bool Empty() const { return index_.empty(); }
    // The bytes kept of line i.
    std::string_view Stored(std::size_t i) const;
    // Line i as reading it back from the pane yields it: at most its first 4096 bytes.
    std::string_view ReadBack(std::size_t i) const;
    // The bytes of all stored lines, line ends not counted.
    std::uint64_t Bytes() const { return bytes_; }

    // Walks the stored lines in order (as Stored() gives them).
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;
        Iterator() = default;
        Iterator(const PaneLineStore* store, std::size_t at) : store_(store), at_(at) {}
        std::string_view operator*() const { return store_->Stored(at_); }
        Iterator& operator++() {
            ++at_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator was = *this;
            ++at_;
            return was;
        }
        bool operator==(const Iterator& other) const { return at_ == other.at_; }

    private:
        const PaneLineStore* store_ = nullptr;
        std::size_t at_ = 0;
    };
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, Count()}; }
    std::size_t size() const { return Count(); }
    std::string_view operator[](std::size_t i) const { return Stored(i); }
    std::string_view front() const { return Stored(0); }

private:
    struct LineRef {
        std::uint32_t block;
        std::uint32_t offset;
        std::uint32_t size;
    };
    char* Room(std::size_t size);

    // A deque: a million lines grow it without copying the whole index.
    std::deque<LineRef> index_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t blockUsed_ = 0;
    std::size_t blockSize_ = 0;
    std::uint64_t bytes_ = 0;
};

}  // namespace kvq
