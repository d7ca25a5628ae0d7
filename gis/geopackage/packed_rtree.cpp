#include "gis/geopackage/packed_rtree.hpp"

#include "common/byte_order.hpp"

#include <algorithm>
#include <cmath>

namespace kestrune {
namespace {

float centreX(const RTreeBox& box) { return box.minX / 2 + box.maxX / 2; }
float centreY(const RTreeBox& box) { return box.minY / 2 + box.maxY / 2; }

RTreeBox boxAround(const std::vector<RTreeBox>& cells, std::int64_t id) {
    RTreeBox box = cells.front();
    box.id = id;
    for (const RTreeBox& cell : cells) {
        box.minX = std::min(box.minX, cell.minX), box.maxX = std::max(box.maxX, cell.maxX);
        box.minY = std::min(box.minY, cell.minY), box.maxY = std::max(box.maxY, cell.maxY);
    }
    return box;
}

// One level of nodes over `boxes`, packed by slices (their numbers are set later).
std::vector<RTreeNode> packLevel(std::vector<RTreeBox>& boxes, std::size_t cellsPerNode, int height) {
    const std::size_t nodes = (boxes.size() + cellsPerNode - 1) / cellsPerNode;
    const auto slices = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(nodes))));
    const std::size_t perSlice = slices * cellsPerNode;
    std::stable_sort(boxes.begin(), boxes.end(),
                     [](const RTreeBox& a, const RTreeBox& b) { return centreX(a) < centreX(b); });
    std::vector<RTreeNode> level;
    for (std::size_t first = 0; first < boxes.size(); first += perSlice) {
        const auto sliceEnd = boxes.begin() + static_cast<std::ptrdiff_t>(std::min(boxes.size(), first + perSlice));
        const auto sliceBegin = boxes.begin() + static_cast<std::ptrdiff_t>(first);
        std::stable_sort(sliceBegin, sliceEnd,
                         [](const RTreeBox& a, const RTreeBox& b) { return centreY(a) < centreY(b); });
        for (auto at = sliceBegin; at < sliceEnd;) {
            const auto end = at + std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(cellsPerNode), sliceEnd - at);
            level.push_back(RTreeNode{0, 0, height, std::vector<RTreeBox>(at, end)});
            at = end;
        }
    }
    return level;
}

}  // namespace

std::vector<RTreeNode> packRTree(std::vector<RTreeBox> entries, std::size_t cellsPerNode) {
    // The levels from the leaves up; the cells of a level above name their
    // children by their place in the level below, until they are numbered.
    std::vector<std::vector<RTreeNode>> levels;
    std::vector<RTreeBox> boxes = std::move(entries);
    do {
        levels.push_back(packLevel(boxes, cellsPerNode, static_cast<int>(levels.size())));
        boxes.clear();
        for (std::size_t i = 0; i < levels.back().size(); ++i)
            boxes.push_back(boxAround(levels.back()[i].cells, static_cast<std::int64_t>(i)));
    } while (levels.back().size() > 1);
    if (levels.back().empty()) levels.back().push_back(RTreeNode{0, 0, 0, {}});

    // Numbers from the root down, level by level.
    std::vector<std::vector<std::int64_t>> numbers(levels.size());
    std::int64_t next = 1;
    for (std::size_t k = levels.size(); k-- > 0;)
        for (std::size_t i = 0; i < levels[k].size(); ++i) numbers[k].push_back(next++);
    std::vector<RTreeNode> nodes;
    for (std::size_t k = levels.size(); k-- > 0;) {
        for (std::size_t i = 0; i < levels[k].size(); ++i) {
            RTreeNode& node = levels[k][i];
            node.number = numbers[k][i];
            if (k > 0) {
                for (RTreeBox& cell : node.cells) {
                    const auto child = static_cast<std::size_t>(cell.id);
                    levels[k - 1][child].parent = node.number;
                    cell.id = numbers[k - 1][child];
                }
            }
            nodes.push_back(std::move(node));
        }
    }
    return nodes;
}

std::string rtreeNodeBlob(const RTreeNode& node, int treeDepth, std::size_t nodeBytes) {
    std::string blob;
    blob.reserve(nodeBytes);
    appendBigEndian<std::uint16_t>(blob, static_cast<std::uint16_t>(node.number == 1 ? treeDepth : 0));
    appendBigEndian<std::uint16_t>(blob, static_cast<std::uint16_t>(node.cells.size()));
    for (const RTreeBox& cell : node.cells) {
        appendBigEndian<std::int64_t>(blob, cell.id);
        for (float value : {cell.minX, cell.maxX, cell.minY, cell.maxY}) appendBigEndian<float>(blob, value);
    }
    blob.resize(nodeBytes, '\0');
    return blob;
}

}  // namespace kestrune
