#include "gis/contour_generator.hpp"

#include "common/worker_pool.hpp"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <tuple>

namespace kestrune {

// Points of a line from one band: in memory, or in the scratch file.
struct PieceStitcher::Part {
    std::vector<PixelPoint> points;
    std::uint64_t offset = 0;  // in the scratch file, when the points are there
    std::size_t spilled = 0;   // how many points are there
};

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

PieceStitcher::PieceStitcher(const ContourMemory& memory) : memory_(memory) {}

PieceStitcher::~PieceStitcher() = default;

std::size_t PieceStitcher::openLines() const { return chains_.size(); }

// The points of a chain in order, each part's first point being the last
// one of the part before; the chain is left empty.
std::vector<PixelPoint> PieceStitcher::takePoints(Chain& chain) {
    std::size_t total = 0;
    for (const Part& part : chain.parts) total += part.spilled + part.points.size();
    std::vector<PixelPoint> points;
    points.reserve(total);
    std::vector<PixelPoint> spilled;
    for (Part& part : chain.parts) {
        const std::vector<PixelPoint>* source = &part.points;
        if (part.spilled) {
            spilled.resize(part.spilled);
            scratch_->read(part.offset, spilled.data(), part.spilled * sizeof(PixelPoint));
            source = &spilled;
        } else {
            pointsInMemory_ -= part.points.size();
        }
        points.insert(points.end(), source->begin() + (points.empty() ? 0 : 1), source->end());
    }
    chain.parts.clear();
    return points;
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

std::vector<ContourLine> PieceStitcher::addBand(std::vector<ContourPiece>&& pieces) {
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
    std::vector<ContourLine> complete;
    std::vector<Chain> kept;
    openEnds_.clear();
    for (std::uint32_t id = 0; id < chains_.size(); ++id) {
        if (root(id) != id) continue;
        Chain& chain = chains_[id];
        if (chain.ring || (!openAtBorder(chain.head) && !openAtBorder(chain.tail))) {
            std::vector<PixelPoint> points = takePoints(chain);
            if (chain.ring) startRingNorth(points);
            complete.push_back(ContourLine{chain.level, chain.last, std::move(points)});
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
              [](const ContourLine& a, const ContourLine& b) { return a.completedAt < b.completedAt; });
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
        const std::vector<ContourLine> joined = stitcher.addBand(std::move(band.pieces));
        // The band's own lines and the joined ones both run in order of
        // completion: merge them.
        auto own = band.lines.cbegin();
        auto other = joined.cbegin();
        while (own != band.lines.cend() || other != joined.cend()) {
            if (other == joined.cend() || (own != band.lines.cend() && own->completedAt < other->completedAt)) {
                sink.write(levels.level(own->level), std::string_view(band.bytes).substr(own->offset, own->size));
                ++own;
            } else {
                sink.writeJoined(levels.level(other->level), other->points);
                ++other;
            }
        }
    };
    orderedPipeline<ContourBand>(bands, WorkerPool::instance().size(), trace, hand);
}

}  // namespace kestrune
