#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

// A box of an R-tree, as SQLite's R-tree module keeps it: single
// precision, with the id of a feature (at the leaves) or of a node.
struct RTreeBox {
    std::int64_t id = 0;
    float minX = 0, maxX = 0, minY = 0, maxY = 0;
};

// A node of a packed R-tree: its number (the root is 1), its parent's (0
// for the root), its height above the leaves, and its cells.
struct RTreeNode {
    std::int64_t number = 0;
    std::int64_t parent = 0;
    int height = 0;
    std::vector<RTreeBox> cells;
};

// The nodes of an R-tree of `entries`, packed by Sort-Tile-Recursive
// (Leutenegger, Lopez and Edgington 1997): sorted into vertical slices by
// x, each slice by y, `cellsPerNode` to a node, the levels above likewise,
// every node full but the last of a slice. The root comes first, as node 1;
// the other nodes are numbered from 2. No entry: one empty root.
std::vector<RTreeNode> packRTree(std::vector<RTreeBox> entries, std::size_t cellsPerNode);

// A node as SQLite's R-tree module stores it in its _node table: the
// tree's depth (in the root only) and the number of cells, then each cell's
// id and box (min x, max x, min y, max y), all big-endian, padded with zeros
// to `nodeBytes`.
std::string rtreeNodeBlob(const RTreeNode& node, int treeDepth, std::size_t nodeBytes);

}  // namespace kestrune
