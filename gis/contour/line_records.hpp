#pragma once

#include <cstdint>
#include <vector>

namespace kestrune {

// The records of lines that grow and join as pieces meet. Two lines
// that meet become one without moving their records: the later record names
// the one it went into (`parent`, itself while it is a line of its own), and
// root() follows those links, shortening them for the next time. A finished
// line gives back its record and those of every line that went into it.
// The lines of their own are listed apart, so that going through them costs
// their number, not the number of records ever joined.
//
// Line::append(Line&& later) takes over `later`'s points and its tail end.
template <class Line>
class LineRecords {
public:
    // A record for a new line, one given back if there is one.
    std::uint32_t add(Line line) {
        std::uint32_t id;
        if (free_.empty()) {
            id = static_cast<std::uint32_t>(records_.size());
            records_.push_back(Record{std::move(line), id, kNone, kNone, 0});
        } else {
            id = free_.back();
            free_.pop_back();
            records_[id] = Record{std::move(line), id, kNone, kNone, 0};
        }
        records_[id].rootSlot = static_cast<std::uint32_t>(roots_.size());
        roots_.push_back(id);
        return id;
    }

    Line& operator[](std::uint32_t id) { return records_[id].line; }
    const Line& operator[](std::uint32_t id) const { return records_[id].line; }

    // The line that `id` went into, or `id` itself.
    std::uint32_t root(std::uint32_t id) {
        std::uint32_t top = id;
        while (records_[top].parent != top) top = records_[top].parent;
        while (records_[id].parent != top) {
            const std::uint32_t next = records_[id].parent;
            records_[id].parent = top;
            id = next;
        }
        return top;
    }

    // The line `second` goes on from the tail of the line `first` (both
    // roots, not the same): one line of both, under `first`.
    std::uint32_t join(std::uint32_t first, std::uint32_t second) {
        Record& a = records_[first];
        Record& b = records_[second];
        a.line.append(std::move(b.line));
        b.parent = first;
        unlist(second);
        // `second` and the lines that went into it join `first`'s members.
        const std::uint32_t bLast = b.lastMember == kNone ? second : b.lastMember;
        (a.lastMember == kNone ? a.nextMember : records_[a.lastMember].nextMember) = second;
        a.lastMember = bLast;
        return first;
    }

    // Gives back the records of the finished line `root`: no end of it, nor
    // of a line that went into it, is looked for any more.
    void release(std::uint32_t root) {
        unlist(root);
        for (std::uint32_t id = root; id != kNone; id = records_[id].nextMember) free(id);
    }

    // Gives back the records of the lines that went into `root`, which goes
    // on: for when no end is known by their numbers any more.
    void forgetMembers(std::uint32_t root) {
        Record& r = records_[root];
        for (std::uint32_t id = r.nextMember; id != kNone; id = records_[id].nextMember) free(id);
        r.nextMember = r.lastMember = kNone;
    }

    // Calls take(id, line) for every line of its own (a root, not given
    // back), in an order that depends only on the calls made before.
    template <class Take>
    void forEachLine(Take&& take) {
        for (const std::uint32_t id : roots_) take(id, records_[id].line);
    }

private:
    static constexpr std::uint32_t kNone = 0xffffffff;
    static constexpr std::uint32_t kFree = 0xfffffffe;  // a parent no record has
    struct Record {
        Line line;
        std::uint32_t parent;
        std::uint32_t nextMember, lastMember;  // the lines that went into this one
        std::uint32_t rootSlot;                // its place in roots_ while it is a root
    };

    void unlist(std::uint32_t id) {
        const std::uint32_t slot = records_[id].rootSlot;
        const std::uint32_t moved = roots_.back();
        roots_[slot] = moved;
        records_[moved].rootSlot = slot;
        roots_.pop_back();
    }
    void free(std::uint32_t id) {
        records_[id].line = Line();
        records_[id].parent = kFree;
        free_.push_back(id);
    }

    std::vector<Record> records_;
    std::vector<std::uint32_t> free_;
    std::vector<std::uint32_t> roots_;  // the lines of their own
};

}  // namespace kestrune
