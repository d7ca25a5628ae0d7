#include "gis/contour_generator.hpp"

#include "common/worker_pool.hpp"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <tuple>

namespace kestrune {

// A line joined from pieces of several bands: its parts in order, each
// starting where the one before ends.
struct PieceStitcher::Chain {
    std::int64_t level = 0;
    SegmentKey last;
    std::vector<Part> parts;
    PieceEnd head, tail;
    std::uint32_t parent = 0;
    bool ring = false;
};

namespace {

bool openAtBorder(const PieceEnd& end) { return end.kind != PieceEnd::Kind::Terminal; }

}  // namespace

void JoinedLine::readRange(std::size_t from, std::size_t end,
                           const std::function<void(const PixelPoint*, std::size_t)>& take) const {
    constexpr std::size_t kRun = 4096;  // points read from the scratch file at once
    std::vector<PixelPoint> run;
    std::size_t first = 0;  // the line's index of the part's first point
    for (const Part& part : parts_) {
        // Each part after the first starts with the point the one before ends with.
        const std::size_t skip = first ? 1 : 0;
        const std::size_t partEnd = first + part.size() - skip;
        for (std::size_t at = std::max(from, first); at < std::min(end, partEnd);) {
            const std::size_t inPart = at - first + skip;
            const std::size_t count = std::min({end, partEnd, at + kRun}) - at;
            if (part.spilled) {
                run.resize(count);
                scratch_->read(part.offset + inPart * sizeof(PixelPoint), run.data(), count * sizeof(PixelPoint));
                take(run.data(), count);
            } else {
                take(part.points.data() + inPart, count);
            }
            at += count;
        }
        first = partEnd;
    }
}

void JoinedLine::forEachRun(const std::function<void(const PixelPoint*, std::size_t)>& take) const {
    if (!ring_) return readRange(0, size_, take);
    // A ring from its northernmost point round to it again; its closing
    // point, the same as its first, is passed over.
    readRange(ringStart_, size_ - 1, take);
    readRange(0, ringStart_ + 1, take);
}

// The index of the northernmost point, the westernmost of those.
std::size_t JoinedLine::northernmost() const {
    std::size_t best = 0, at = 0;
    PixelPoint north{0, 0};
    readRange(0, size_ - 1, [&](const PixelPoint* points, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i, ++at) {
            const PixelPoint& p = points[i];
            if (at == 0 || p.y < north.y || (p.y == north.y && p.x < north.x)) {
                north = p;
                best = at;
            }
        }
    });
    return best;
}

PieceStitcher::PieceStitcher(const ContourMemory& memory) : memory_(memory) {}

PieceStitcher::~PieceStitcher() = default;

std::size_t PieceStitcher::openLines() const { return chains_.size(); }

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
    if (line.ring_) line.ringStart_ = line.northernmost();
    return line;
}

// Moves the points of the longest open lines to the scratch file until
// those in memory are half the budget: one write a round, the parts of a
// line in memory merged into one.
void PieceStitcher::keepWithinBudget() {
    if (pointsInMemory_ <= memory_.openPoints) return;
    if (!scratch_) {
        namespace fs = std::filesystem;
        scratch_ = std::make_unique<ScratchFile>(memory_.scratchFolder.empty() ? fs::temp_directory_path().string()
                                                                               : memory_.scratchFolder);
    }
    std::vector<std::pair<std::size_t, Chain*>> bySize;
    for (Chain& chain : chains_) {
        std::size_t inMemory = 0;
        for (const Part& part : chain.parts) inMemory += part.points.size();
        if (inMemory) bySize.emplace_back(inMemory, &chain);
    }
    std::sort(bySize.begin(), bySize.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<PixelPoint> batch;
    std::vector<std::pair<Part*, std::size_t>> placed;  // a merged part and where its points start in the batch
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
            placed.emplace_back(&part, batch.size());
            batch.insert(batch.end(), part.points.begin(), part.points.end());
            part.spilled = part.points.size();
            pointsInMemory_ -= part.points.size();
            std::vector<PixelPoint>().swap(part.points);
        }
    }
    const std::uint64_t offset = scratch_->append(batch.data(), batch.size() * sizeof(PixelPoint));
    for (auto& [part, at] : placed) part->offset = offset + at * sizeof(PixelPoint);
}

std::uint32_t PieceStitcher::root(std::uint32_t chain) { return rootLine(chains_, chain); }

// `first`'s tail is `second`'s head: one chain of both, or a ring when they
// are one already.
std::uint32_t PieceStitcher::join(std::uint32_t first, std::uint32_t second) {
    first = root(first);
    second = root(second);
    Chain& a = chains_[first];
    if (first == second) {
        a.ring = true;
        a.head.kind = a.tail.kind = PieceEnd::Kind::Terminal;
        return first;
    }
    Chain& b = chains_[second];
    a.last = std::max(a.last, b.last);
    a.tail = b.tail;
    if (a.parts.size() >= b.parts.size()) {
        for (auto& part : b.parts) a.parts.push_back(std::move(part));
    } else {
        b.parts.insert(b.parts.begin(), std::make_move_iterator(a.parts.begin()),
                       std::make_move_iterator(a.parts.end()));
        a.parts.swap(b.parts);
    }
    b.parts.clear();
    b.parent = first;
    return first;
}

std::vector<JoinedLine> PieceStitcher::addBand(std::vector<ContourPiece>&& pieces) {
    const auto firstNew = static_cast<std::uint32_t>(chains_.size());
    chains_.reserve(chains_.size() + pieces.size());
    for (ContourPiece& piece : pieces) {
        Chain chain;
        chain.level = piece.level;
        chain.last = piece.lastSegment;
        pointsInMemory_ += piece.points.size();
        chain.parts.push_back(Part{std::move(piece.points), 0, 0});
        chain.head = piece.head;
        chain.tail = piece.tail;
        chain.parent = static_cast<std::uint32_t>(chains_.size());
        chains_.push_back(std::move(chain));
    }
    // The new pieces' ends on their upper border meet the open ends left on
    // the lower border of the band above: a head meets a tail.
    std::sort(openEnds_.begin(), openEnds_.end(), [](const OpenEnd& a, const OpenEnd& b) {
        return std::tie(a.column, a.level, a.isTail) < std::tie(b.column, b.level, b.isTail);
    });
    std::vector<bool> met(openEnds_.size(), false);
    auto meetAbove = [&](std::int64_t column, std::int64_t level, bool tailAbove) -> const OpenEnd* {
        const OpenEnd probe{column, level, 0, tailAbove};
        auto found =
            std::lower_bound(openEnds_.begin(), openEnds_.end(), probe, [](const OpenEnd& a, const OpenEnd& b) {
                return std::tie(a.column, a.level, a.isTail) < std::tie(b.column, b.level, b.isTail);
            });
        if (found == openEnds_.end() || found->column != column || found->level != level || found->isTail != tailAbove)
            return nullptr;
        met[static_cast<std::size_t>(found - openEnds_.begin())] = true;
        return &*found;
    };
    for (auto id = firstNew; id < chains_.size(); ++id) {
        const std::int64_t level = chains_[id].level;
        const PieceEnd head = chains_[id].head, tail = chains_[id].tail;
        if (head.kind == PieceEnd::Kind::UpperBorder) {
            if (const OpenEnd* above = meetAbove(head.column, level, true)) join(above->chain, id);
        }
        if (tail.kind == PieceEnd::Kind::UpperBorder) {
            if (const OpenEnd* above = meetAbove(tail.column, level, false)) join(id, above->chain);
        }
    }
    // An end that met nothing (two bands disagreeing by a rounding) ends there.
    for (std::size_t i = 0; i < openEnds_.size(); ++i) {
        if (met[i]) continue;
        Chain& chain = chains_[root(openEnds_[i].chain)];
        (openEnds_[i].isTail ? chain.tail : chain.head).kind = PieceEnd::Kind::Terminal;
    }
    for (auto id = firstNew; id < chains_.size(); ++id) {
        Chain& chain = chains_[root(id)];
        for (PieceEnd* end : {&chain.head, &chain.tail})
            if (end->kind == PieceEnd::Kind::UpperBorder) end->kind = PieceEnd::Kind::Terminal;
    }

    // Complete lines go out; open ones are kept, renumbered, with their ends.
    std::vector<JoinedLine> complete;
    std::vector<Chain> kept;
    openEnds_.clear();
    for (std::uint32_t id = 0; id < chains_.size(); ++id) {
        if (root(id) != id) continue;
        Chain& chain = chains_[id];
        if (chain.ring || (!openAtBorder(chain.head) && !openAtBorder(chain.tail))) {
            complete.push_back(takeLine(chain));
            continue;
        }
        const auto keptId = static_cast<std::uint32_t>(kept.size());
        if (openAtBorder(chain.head)) openEnds_.push_back(OpenEnd{chain.head.column, chain.level, keptId, false});
        if (openAtBorder(chain.tail)) openEnds_.push_back(OpenEnd{chain.tail.column, chain.level, keptId, true});
        kept.push_back(std::move(chain));
        kept.back().parent = keptId;  // the old links stay intact until the loop is done
    }
    chains_ = std::move(kept);
    keepWithinBudget();
    std::sort(complete.begin(), complete.end(),
              [](const JoinedLine& a, const JoinedLine& b) { return a.completedAt < b.completedAt; });
    return complete;
}

void generateContours(const RasterRows& raster, const ContourLevels& levels, ContourSink& sink,
                      const ContourMemory& memory) {
    const std::int64_t bandRows = std::max<std::int64_t>(1, memory.bandRows);
    const std::int64_t squareRows = raster.geometry.nrows + 1;
    const auto bands = static_cast<std::size_t>((squareRows + bandRows - 1) / bandRows);
    PieceStitcher stitcher(memory);
    const std::function<ContourBand(std::size_t)> trace = [&](std::size_t band) {
        const auto first = static_cast<std::int64_t>(band) * bandRows;
        return traceContourBand(raster, levels, sink, first, std::min(squareRows, first + bandRows));
    };
    const std::function<void(std::size_t, ContourBand &&)> hand = [&](std::size_t, ContourBand&& band) {
        const std::vector<JoinedLine> joined = stitcher.addBand(std::move(band.pieces));
        // The band's own lines and the joined ones both run in order of
        // completion: merge them.
        auto own = band.lines.cbegin();
        auto other = joined.cbegin();
        while (own != band.lines.cend() || other != joined.cend()) {
            if (other == joined.cend() || (own != band.lines.cend() && own->completedAt < other->completedAt)) {
                sink.write(levels.level(own->level), std::string_view(band.bytes).substr(own->offset, own->size));
                ++own;
            } else {
                sink.writeJoined(levels.level(other->level), *other);
                ++other;
            }
        }
    };
    // Twice as many bands in flight as threads, so no thread waits while
    // the lines of the oldest band are written.
    orderedPipeline<ContourBand>(bands, 2 * WorkerPool::instance().size(), trace, hand);
}

}  // namespace kestrune
