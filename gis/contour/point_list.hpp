#pragma once

#include "gis/contour/pixel_point.hpp"

#include <cstdint>
#include <memory>
#include <vector>

namespace kestrune {

// The points of the lines being traced, in chunks from one arena: a line
// grows at either end and two lines join without moving a point, and chunks
// of finished lines serve the next ones.
class PointArena {
public:
    struct Chunk {
        static constexpr std::uint8_t kPoints = 7;
        PixelPoint points[kPoints];
        std::uint8_t begin = 0, end = 0;  // the points in use
        Chunk* next = nullptr;
    };

    // A chunk whose free room lies before `at` (0: filled forwards, kPoints: backwards).
    Chunk* take(std::uint8_t at) {
        if (!free_) {
            blocks_.push_back(std::make_unique<Chunk[]>(kChunksABlock));
            for (std::size_t i = 0; i < kChunksABlock; ++i) give(&blocks_.back()[i]);
        }
        Chunk* chunk = free_;
        free_ = chunk->next;
        chunk->begin = chunk->end = at;
        chunk->next = nullptr;
        return chunk;
    }
    void give(Chunk* chunk) {
        chunk->next = free_;
        free_ = chunk;
    }

private:
    static constexpr std::size_t kChunksABlock = 256;
    std::vector<std::unique_ptr<Chunk[]>> blocks_;
    Chunk* free_ = nullptr;
};

// A sequence of points kept in arena chunks.
class PointList {
public:
    using Chunk = PointArena::Chunk;
    std::size_t size() const { return size_; }
    const PixelPoint& front() const { return head_->points[head_->begin]; }
    const PixelPoint& back() const { return tail_->points[tail_->end - 1]; }

    void pushBack(PointArena& arena, const PixelPoint& point) {
        if (!tail_ || tail_->end == Chunk::kPoints) {
            Chunk* chunk = arena.take(0);
            (tail_ ? tail_->next : head_) = chunk;
            tail_ = chunk;
        }
        tail_->points[tail_->end++] = point;
        ++size_;
    }
    void pushFront(PointArena& arena, const PixelPoint& point) {
        if (!head_ || head_->begin == 0) {
            Chunk* chunk = arena.take(Chunk::kPoints);
            chunk->next = head_;
            if (!tail_) tail_ = chunk;
            head_ = chunk;
        }
        head_->points[--head_->begin] = point;
        ++size_;
    }
    void popFront(PointArena& arena) {
        --size_;
        if (++head_->begin < head_->end) return;
        Chunk* empty = head_;
        head_ = head_->next;
        if (!head_) tail_ = nullptr;
        arena.give(empty);
    }
    // Puts `other`'s points after these; `other` is left empty.
    void append(PointList&& other) {
        if (!other.head_) return;
        (tail_ ? tail_->next : head_) = other.head_;
        tail_ = other.tail_;
        size_ += other.size_;
        other = PointList();
    }
    // Moves the points in order to the end of `points`; the chunks go back to the arena.
    void moveTo(PointArena& arena, std::vector<PixelPoint>& points) {
        if (points.capacity() < points.size() + size_) points.reserve(2 * (points.size() + size_));
        for (Chunk* chunk = head_; chunk;) {
            points.insert(points.end(), chunk->points + chunk->begin, chunk->points + chunk->end);
            Chunk* next = chunk->next;
            arena.give(chunk);
            chunk = next;
        }
        *this = PointList();
    }
    std::vector<PixelPoint> take(PointArena& arena) {
        std::vector<PixelPoint> points;
        points.reserve(size_);
        moveTo(arena, points);
        return points;
    }

private:
    Chunk* head_ = nullptr;
    Chunk* tail_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace kestrune
