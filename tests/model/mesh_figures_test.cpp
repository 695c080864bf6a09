// Figures of the mesh as a whole, counted from the compiled-in tables: the cells and polygons
// they come from, the distinct corner positions, the bounding box and how the normal table
// relates to the surface normals at the grid nodes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "mesh_test_helpers.h"
#include "model/paraboloid_mesh.h"

namespace {

using namespace mesh_test;

const ParaboloidMesh& mesh = paraboloidMesh;

struct CellYield {
    int column;
    int row;
    std::vector<bool> towardsC;  // one per polygon, in table order
};

// The cells in the order their polygons appear in the table.
std::vector<CellYield> CellsInTableOrder() {
    std::vector<CellYield> cells;
    for (int p = 0; p < PolygonCount(); ++p) {
        const PolygonCell cell = CellOf(p);
        if (cells.empty() || cells.back().column != cell.column || cells.back().row != cell.row) {
            cells.push_back({cell.column, cell.row, {}});
        }
        cells.back().towardsC.push_back(cell.towardsC);
    }
    return cells;
}

TEST(MeshFigures, PolygonsAreTrianglesAndQuadrilaterals) {
    EXPECT_EQ(PolygonCount(), 1288) << "polygons";
    int triangles = 0, quadrilaterals = 0;
    for (int p = 0; p < PolygonCount(); ++p) {
        (PolygonCorners(p).size() == 3 ? triangles : quadrilaterals)++;
    }
    EXPECT_EQ(triangles, 1210) << "triangles";
    EXPECT_EQ(quadrilaterals, 78) << "quadrilaterals";
}

TEST(MeshFigures, CellsComeRowByRowFromTheLargestVAndU) {
    const std::vector<CellYield> cells = CellsInTableOrder();
    EXPECT_EQ(cells.size(), 652u) << "cells that yield polygons";

    std::set<std::pair<int, int>> seen;
    std::map<int, std::vector<int>> columnsOfRow;
    int yieldingTwo = 0, touchingBeyond = 0, whollyBeyond = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const CellYield& cell = cells[i];
        EXPECT_TRUE(seen.insert({cell.column, cell.row}).second)
            << "cell (" << cell.column << ", " << cell.row << ") is split across the table";
        if (i > 0) {
            const CellYield& previous = cells[i - 1];
            EXPECT_TRUE(cell.row < previous.row ||
                        (cell.row == previous.row && cell.column < previous.column))
                << "cell (" << cell.column << ", " << cell.row << ") out of order";
        }
        columnsOfRow[cell.row].push_back(cell.column);
        if (cell.towardsC.size() == 2) {
            ++yieldingTwo;
            EXPECT_TRUE(cell.towardsC[0] && !cell.towardsC[1])
                << "cell (" << cell.column << ", " << cell.row << ") gives (A, D, B) first";
            continue;
        }
        // The missing triangle either touches a cut level in one node or lies wholly beyond.
        const int c = cell.column, r = cell.row;
        const std::vector<std::pair<int, int>> missing =
            cell.towardsC[0]
                ? std::vector<std::pair<int, int>>{{c, r}, {c, r + 1}, {c + 1, r}}
                : std::vector<std::pair<int, int>>{{c + 1, r}, {c, r + 1}, {c + 1, r + 1}};
        bool touches = false;
        for (const auto& [i, j] : missing) {
            touches = touches || std::fabs(kGridStep * i * kGridStep * j) == kCutLevel;
        }
        (touches ? touchingBeyond : whollyBeyond)++;
    }
    EXPECT_EQ(yieldingTwo, 636) << "cells that yield two polygons";
    EXPECT_EQ(touchingBeyond, 12) << "single-polygon cells whose other triangle touches a level";
    EXPECT_EQ(whollyBeyond, 4) << "single-polygon cells whose other triangle lies wholly beyond";

    const int upperHalf[20] = {6,  6,  6,  6,  8,  8,  8,  8,  10, 10,
                               12, 12, 14, 16, 20, 24, 32, 40, 40, 40};
    for (int row = 19; row >= -20; --row) {
        const int n = row >= 0 ? upperHalf[19 - row] : upperHalf[row + 20];
        std::vector<int> expected;
        for (int column = n / 2 - 1; column >= -n / 2; --column) {
            expected.push_back(column);
        }
        EXPECT_EQ(columnsOfRow[row], expected) << "columns of row " << row;
    }
}

TEST(MeshFigures, BoundingBox) {
    float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
    for (int v = 0; v < mesh.vertexCount; ++v) {
        for (int i = 0; i < 3; ++i) {
            low[i] = std::min(low[i], mesh.vertices[v][i]);
            high[i] = std::max(high[i], mesh.vertices[v][i]);
        }
    }
    EXPECT_EQ(low[0], -2.8f) << "smallest x";
    EXPECT_EQ(high[0], 2.8f) << "largest x";
    EXPECT_EQ(low[1], -3.0f) << "smallest y";
    EXPECT_EQ(high[1], 3.0f) << "largest y";
    EXPECT_EQ(low[2], -2.8f) << "smallest z";
    EXPECT_EQ(high[2], 2.8f) << "largest z";
}

TEST(MeshFigures, DistinctPositionsAreGridNodesAndCrossingPoints) {
    std::set<Vec> positions;
    for (int f = 0; f < mesh.faceCount; ++f) {
        for (int k = 0; k < 3; ++k) {
            positions.insert(Corner(f, k));
        }
    }
    EXPECT_EQ(positions.size(), 795u) << "distinct positions";
    int nodes = 0, nodesOnLevel = 0, crossingAbove = 0, crossingBelow = 0, other = 0;
    for (const Vec& p : positions) {
        if (IsGridNode(p)) {
            ++nodes;
            nodesOnLevel += std::fabs(p[1]) == kCutLevel;
        } else if (p[1] == kCutLevel) {
            ++crossingAbove;
        } else if (p[1] == -kCutLevel) {
            ++crossingBelow;
        } else {
            ++other;
        }
    }
    EXPECT_EQ(nodes, 617) << "grid nodes";
    EXPECT_EQ(nodesOnLevel, 24) << "grid nodes on a cut level";
    EXPECT_EQ(crossingAbove + crossingBelow, 178) << "crossing points";
    EXPECT_EQ(crossingAbove, 72) << "crossing points on y = 3";
    EXPECT_EQ(crossingBelow, 106) << "crossing points on y = -3";
    EXPECT_EQ(other, 0) << "positions that are neither";
}

// Each node normal (the surface normal at the node of a face's triangle, negated for reversed
// faces) is served by one to three entries, and no entry serves two node normals.
TEST(MeshFigures, NormalEntriesPerNodeNormal) {
    std::map<Vec, std::set<int>> entriesOfNodeNormal;
    std::map<int, std::set<Vec>> nodeNormalsOfEntry;
    for (int f = 0; f < mesh.faceCount; ++f) {
        const Vec node = IsDegenerate(f) ? Vec{0, 0, 0} : NodeNormalOfFace(f);
        entriesOfNodeNormal[node].insert(EntryOf(f));
        nodeNormalsOfEntry[EntryOf(f)].insert(node);
    }
    int rising = 0, falling = 0;
    for (const auto& [normal, entries] : entriesOfNodeNormal) {
        (normal[1] > 0 ? rising : falling) += normal[1] != 0;
    }
    EXPECT_EQ(entriesOfNodeNormal.size(), 1395u) << "distinct node normals, zero included";
    EXPECT_EQ(rising, 697) << "node normals with positive y";
    EXPECT_EQ(falling, 697) << "node normals with negative y";

    std::map<std::size_t, int> nodeNormalsBySharing;
    for (const auto& [normal, entries] : entriesOfNodeNormal) {
        ++nodeNormalsBySharing[entries.size()];
    }
    EXPECT_EQ(nodeNormalsBySharing[1], 1363) << "node normals with one entry";
    EXPECT_EQ(nodeNormalsBySharing[2], 26) << "node normals with two entries";
    EXPECT_EQ(nodeNormalsBySharing[3], 6) << "node normals with three entries";
    EXPECT_EQ(nodeNormalsBySharing.size(), 3u) << "node normals with more than three entries";

    for (const auto& [entry, normals] : nodeNormalsOfEntry) {
        EXPECT_EQ(normals.size(), 1u) << "node normals served by entry " << entry;
    }

    int risingEntries = 0, fallingEntries = 0, zeroEntries = 0;
    for (int e = 0; e < mesh.normalCount; ++e) {
        const float y = mesh.normals[e][1];
        (y > 0 ? risingEntries : y < 0 ? fallingEntries : zeroEntries)++;
    }
    EXPECT_EQ(risingEntries, 716) << "entries with positive y";
    EXPECT_EQ(fallingEntries, 716) << "entries with negative y";
    EXPECT_EQ(zeroEntries, 1) << "entries with zero y";
}

// "Differs at six decimals" read as numbers: both values rounded to six decimals and compared,
// so that -0 equals 0. That reading gives 242 entries and 232 faces.
TEST(MeshFigures, ValuesDifferingAtSixDecimalsCountedAsNumbers) {
    std::map<int, Vec> nodeNormalOfEntry;
    int facesOffTheirEntry = 0;
    for (int f = 0; f < mesh.faceCount; ++f) {
        const Vec own = RoundSix(OwnNormal(f));
        const Vec entry = EntryValue(EntryOf(f));
        facesOffTheirEntry += own != entry;
        if (!IsDegenerate(f)) {
            nodeNormalOfEntry[EntryOf(f)] = RoundSix(NodeNormalOfFace(f));
            if (!HasCrossingPoint(f)) {
                EXPECT_EQ(own, RoundSix(NodeNormalOfFace(f)))
                    << "face " << f << " has only grid corners but not its node's normal";
            }
        }
    }
    int entriesOffTheirNode = 0;
    for (const auto& [entry, nodeNormal] : nodeNormalOfEntry) {
        entriesOffTheirNode += EntryValue(entry) != nodeNormal;
    }
    EXPECT_EQ(entriesOffTheirNode, 242) << "entries whose value differs from their node's normal";
    EXPECT_EQ(facesOffTheirEntry, 232) << "faces whose entry differs from their own normal";
}

// Of the faces with a crossing point, 411 differ from their node's normal only when the printed
// six-decimal texts are compared, so that "-0.000000" (the x or z of a node normal at x = 0 or
// z = 0) differs from "0.000000"; compared as numbers they are 402.
TEST(MeshFigures, CrossingPointFacesDifferingFromTheirNodeNormal) {
    int faces = 0, differInText = 0, differAsNumbers = 0;
    for (int f = 0; f < mesh.faceCount; ++f) {
        if (IsDegenerate(f) || !HasCrossingPoint(f)) {
            continue;
        }
        ++faces;
        const Vec own = OwnNormal(f), node = NodeNormalOfFace(f);
        bool textDiffers = false;
        for (int i = 0; i < 3; ++i) {
            textDiffers = textDiffers || Six(own[i]) != Six(node[i]);
        }
        differInText += textDiffers;
        differAsNumbers += RoundSix(own) != RoundSix(node);
    }
    EXPECT_EQ(faces, 552) << "non-degenerate faces with a crossing point";
    EXPECT_EQ(differInText, 411) << "of them differing from their node's normal in printed text";
    EXPECT_EQ(differAsNumbers, 402) << "of them differing from their node's normal as numbers";
}

}  // namespace
