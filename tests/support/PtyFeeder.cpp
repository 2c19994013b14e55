#include "PtyFeeder.h"

#include <algorithm>

#include "PtyLine.h"

namespace {

// Small enough that a stop request is seen soon, large enough to keep the line full.
constexpr std::size_t kPiece = 64 * 1024;

}  // namespace

PtyFeeder::PtyFeeder(PtyLine& line, std::string_view bytes)
    : size_(bytes.size()),
      thread_([this, &line, bytes](std::stop_token stop) { Run(line, bytes, stop); }) {}

PtyFeeder::~PtyFeeder() = default;

void PtyFeeder::Run(PtyLine& line, std::string_view bytes, std::stop_token stop) {
    while (!bytes.empty() && !stop.stop_requested()) {
        const std::string_view piece = bytes.substr(0, std::min(kPiece, bytes.size()));
        if (!line.Send(piece, stop)) {
            break;
        }
        written_ += piece.size();
        bytes.remove_prefix(piece.size());
    }
    finished_ = true;
}
