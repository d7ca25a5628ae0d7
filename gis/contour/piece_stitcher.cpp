#include "gis/contour/piece_stitcher.hpp"

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace kestrune {
namespace {

bool openAtBorder(const PieceEnd& end) { return end.kind != PieceEnd::Kind::Terminal; }

bool byPlace(const auto& a, const auto& b) {
    return std::tie(a.column, a.level, a.isTail) < std::tie(b.column, b.level, b.isTail);
}

}  // namespace

void PieceStitcher::Chain::append(Chain&& later) {
    last = std::max(last, later.last);
    tail = later.tail;
    extent.append(later.extent, points);
    points += later.points - 1;
    if (parts.size() >= later.parts.size()) {
        for (auto& part : later.parts) parts.push_back(std::move(part));
    } else {
        later.parts.insert(later.parts.begin(), std::make_move_iterator(parts.begin()),
                           std::make_move_iterator(parts.end()));
        parts.swap(later.parts);
    }
    later.parts.clear();
}

PieceStitcher::PieceStitcher(const ContourMemory& memory) : memory_(memory) {}

PieceStitcher::~PieceStitcher() = default;

// The line a chain makes; the chain is left empty.
JoinedLine PieceStitcher::takeLine(Chain& chain) {
    JoinedLine line;
    line.level = chain.level;
    line.completedAt = chain.last;
    line.scratch_ = scratch_.get();
    line.ring_ = chain.ring;
    for (const Part& part : chain.parts) {
        pointsInMemory_ -= part.points.size();
        line.size_ += part.size() - (line.size_ ? 1 : 0);
    }
    line.parts_ = std::move(chain.parts);
    chain.parts.clear();
    line.low_ = chain.extent.low;
    line.high_ = chain.extent.high;
    if (line.ring_) line.ringStart_ = chain.extent.northAt;
    return line;
}

// Moves the points of the longest open lines to the scratch file until
// those in memory are half the budget, the parts of a line in memory merged
// into one; each part goes into room that finished lines gave back, when
// there is some.
void PieceStitcher::keepWithinBudget() {
    if (pointsInMemory_ <= memory_.openPoints) return;
    if (!scratch_) {
        namespace fs = std::filesystem;
        scratch_ = std::make_unique<ScratchFile>(memory_.scratchFolder.empty() ? fs::temp_directory_path().string()
                                                                               : memory_.scratchFolder);
    }
    std::vector<std::pair<std::size_t, Chain*>> bySize;
    chains_.forEachLine([&](std::uint32_t, Chain& chain) {
        std::size_t inMemory = 0;
        for (const Part& part : chain.parts) inMemory += part.points.size();
        if (inMemory) bySize.emplace_back(inMemory, &chain);
    });
    std::stable_sort(bySize.begin(), bySize.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (auto& [inMemory, chain] : bySize) {
        if (pointsInMemory_ <= memory_.openPoints / 2) break;
        std::vector<Part> parts;
        for (Part& part : chain->parts) {
            if (part.spilled || parts.empty() || parts.back().spilled) {
                parts.push_back(std::move(part));
                continue;
            }
            // Consecutive parts in memory: one part, their shared point once.
            parts.back().points.insert(parts.back().points.end(), part.points.begin() + 1, part.points.end());
            --pointsInMemory_;
        }
        chain->parts = std::move(parts);
        for (Part& part : chain->parts) {
            if (part.points.empty()) continue;
            part.offset = scratch_->store(part.points.data(), part.points.size() * sizeof(PixelPoint));
            part.spilled = part.points.size();
            pointsInMemory_ -= part.points.size();
            std::vector<PixelPoint>().swap(part.points);
        }
    }
}

// `first`'s tail is `second`'s head: one chain of both, or a ring when they
// are one already.
void PieceStitcher::joinAt(std::uint32_t first, std::uint32_t second) {
    first = chains_.root(first);
    second = chains_.root(second);
    if (first != second) {
        chains_.join(first, second);
        return;
    }
    Chain& ring = chains_[first];
    ring.ring = true;
    ring.head.kind = ring.tail.kind = PieceEnd::Kind::Terminal;
}

std::vector<JoinedLine> PieceStitcher::addBand(std::vector<ContourPiece>&& pieces) {
    std::vector<std::uint32_t> added;
    added.reserve(pieces.size());
    for (ContourPiece& piece : pieces) {
        Chain chain;
        chain.level = piece.level;
        chain.last = piece.lastSegment;
        pointsInMemory_ += piece.points.size();
        chain.parts.push_back(Part{std::move(piece.points), 0, 0});
        chain.head = piece.head;
        chain.tail = piece.tail;
        chain.extent = piece.extent;
        chain.points = chain.parts.back().points.size();
        added.push_back(chains_.add(std::move(chain)));
    }
    // The new pieces' ends on their upper border meet the open ends left on
    // the lower border of the band above: a head meets a tail.
    std::sort(openEnds_.begin(), openEnds_.end(), byPlace<OpenEnd, OpenEnd>);
    std::vector<bool> met(openEnds_.size(), false);
    auto meetAbove = [&](std::int64_t column, std::int64_t level, bool tailAbove) -> const OpenEnd* {
        const OpenEnd probe{column, level, 0, tailAbove};
        auto found = std::lower_bound(openEnds_.begin(), openEnds_.end(), probe, byPlace<OpenEnd, OpenEnd>);
        if (found == openEnds_.end() || found->column != column || found->level != level || found->isTail != tailAbove)
            return nullptr;
        met[static_cast<std::size_t>(found - openEnds_.begin())] = true;
        return &*found;
    };
    for (const std::uint32_t id : added) {
        const std::int64_t level = chains_[id].level;
        const PieceEnd head = chains_[id].head, tail = chains_[id].tail;
        if (head.kind == PieceEnd::Kind::UpperBorder)
            if (const OpenEnd* above = meetAbove(head.column, level, true)) joinAt(above->chain, id);
        if (tail.kind == PieceEnd::Kind::UpperBorder)
            if (const OpenEnd* above = meetAbove(tail.column, level, false)) joinAt(id, above->chain);
    }
    // An end that met nothing (two bands disagreeing by a rounding) ends there.
    for (std::size_t i = 0; i < openEnds_.size(); ++i) {
        if (met[i]) continue;
        Chain& chain = chains_[chains_.root(openEnds_[i].chain)];
        (openEnds_[i].isTail ? chain.tail : chain.head).kind = PieceEnd::Kind::Terminal;
    }
    for (const std::uint32_t id : added) {
        Chain& chain = chains_[chains_.root(id)];
        for (PieceEnd* end : {&chain.head, &chain.tail})
            if (end->kind == PieceEnd::Kind::UpperBorder) end->kind = PieceEnd::Kind::Terminal;
    }

    // Complete lines go out; open ones stay, with their ends, which name
    // them by their own numbers only.
    std::vector<JoinedLine> complete;
    std::vector<std::uint32_t> finished;
    openEnds_.clear();
    chains_.forEachLine([&](std::uint32_t id, Chain& chain) {
        if (chain.ring || (!openAtBorder(chain.head) && !openAtBorder(chain.tail))) {
            complete.push_back(takeLine(chain));
            finished.push_back(id);
            return;
        }
        chains_.forgetMembers(id);
        if (openAtBorder(chain.head)) openEnds_.push_back(OpenEnd{chain.head.column, chain.level, id, false});
        if (openAtBorder(chain.tail)) openEnds_.push_back(OpenEnd{chain.tail.column, chain.level, id, true});
    });
    for (const std::uint32_t id : finished) chains_.release(id);
    keepWithinBudget();
    std::sort(complete.begin(), complete.end(),
              [](const JoinedLine& a, const JoinedLine& b) { return a.completedAt < b.completedAt; });
    return complete;
}

}  // namespace kestrune
