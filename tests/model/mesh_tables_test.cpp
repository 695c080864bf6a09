// The compiled-in mesh record: its fields, the invariants of its tables and the worked examples
// of individual faces and normal entries.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "mesh_test_helpers.h"
#include "model/paraboloid_mesh.h"

namespace {

using namespace mesh_test;

const ParaboloidMesh& mesh = paraboloidMesh;

void ExpectStored(const float* actual, const std::array<float, 3>& expected,
                  const std::string& what) {
    static const char* const kAxis[3] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(actual[i], expected[i]) << what << ", component " << kAxis[i];
    }
}

void ExpectCorners(int face, const std::vector<std::array<float, 3>>& corners) {
    for (int k = 0; k < 3; ++k) {
        ExpectStored(mesh.vertices[FaceAt(face).vertexIndex[k]], corners[k],
                     "face " + std::to_string(face) + " corner " + std::to_string(k));
    }
}

void ExpectEntries(int firstFace, const std::vector<int>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const int face = firstFace + static_cast<int>(i);
        EXPECT_EQ(EntryOf(face), entries[i]) << "normal entry of face " << face;
    }
}

// Compares the face's own normal with a value printed to the given number of decimals.
void ExpectOwnNormal(int face, const Vec& expected, int decimals) {
    const Vec n = OwnNormal(face);
    const double halfUnit = 0.5 * std::pow(10.0, -decimals);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(n[i], expected[i], halfUnit) << "own normal of face " << face << ", " << i;
    }
}

// The cell and triangle that face f comes from, recovered from its polygon's corners.
void ExpectCell(int face, int column, int row, bool towardsC) {
    const PolygonCell cell = CellOf(face / kFacesPerPolygon);
    EXPECT_EQ(cell.column, column) << "cell column of face " << face;
    EXPECT_EQ(cell.row, row) << "cell row of face " << face;
    EXPECT_EQ(cell.towardsC, towardsC) << "face " << face << " is from triangle (B, D, C)";
}

TEST(MeshRecord, HoldsItsNameCountsAndNoThirdTable) {
    EXPECT_STREQ(mesh.objectName, "0_0");
    EXPECT_EQ(mesh.faceCount, 5152);
    EXPECT_EQ(mesh.vertexCount, 15456);
    EXPECT_EQ(mesh.normalCount, 1433);
    EXPECT_NE(mesh.faces, nullptr);
    EXPECT_NE(mesh.vertices, nullptr);
    EXPECT_NE(mesh.normals, nullptr);
    EXPECT_EQ(mesh.extraArray, nullptr);
    EXPECT_EQ(mesh.extraCount, 0);
    EXPECT_EQ(mesh.reserved, 1);
}

TEST(MeshInvariants, FacesOwnConsecutiveVertexEntriesAndOneNormalEntry) {
    ASSERT_EQ(mesh.vertexCount, 3 * mesh.faceCount);
    std::vector<int> uses(mesh.normalCount, 0);
    for (int f = 0; f < mesh.faceCount; ++f) {
        const MeshFace& face = FaceAt(f);
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(face.vertexIndex[k], 3 * f + k) << "face " << f << " corner " << k;
            ASSERT_EQ(face.extraIndex[k], -1) << "face " << f << " corner " << k;
            ASSERT_EQ(face.normalIndex[k], face.normalIndex[0]) << "face " << f;
        }
        ASSERT_GE(face.normalIndex[0], 0) << "face " << f;
        ASSERT_LT(face.normalIndex[0], mesh.normalCount) << "face " << f;
        ++uses[face.normalIndex[0]];
    }
    for (int e = 0; e < mesh.normalCount; ++e) {
        EXPECT_GT(uses[e], 0) << "normal entry " << e << " is used by no face";
    }
}

// The tables are written without negative zeros; -0.0f would compare equal to 0.0f anyway.
TEST(MeshInvariants, EveryValueIsTheFloatNearestToASixDecimalNumber) {
    auto check = [](const float* values, int count, const char* table) {
        for (int i = 0; i < 3 * count; ++i) {
            const float value = values[i];
            ASSERT_EQ(std::strtof(Six(value).c_str(), nullptr), value)
                << table << " value " << i << " (entry " << i / 3 << ")";
            ASSERT_FALSE(value == 0 && std::signbit(value))
                << table << " value " << i << " is a negative zero";
        }
    };
    check(mesh.vertices[0], mesh.vertexCount, "vertex");
    check(mesh.normals[0], mesh.normalCount, "normal");
}

// Rounding each component of a unit vector to six decimals moves its length by at most
// sqrt(3) * 0.0000005, and float storage adds less than 0.00000003 per component.
TEST(MeshInvariants, NormalEntriesHaveUnitLengthExceptTheZeroEntry) {
    ExpectStored(mesh.normals[1], {0, 0, 0}, "normal entry 1");
    for (int e = 0; e < mesh.normalCount; ++e) {
        if (e == 1) {
            continue;
        }
        const Vec n = EntryValue(e);
        EXPECT_NEAR(std::sqrt(Dot(n, n)), 1.0, 1e-6) << "length of normal entry " << e;
    }
}

TEST(MeshInvariants, DegenerateFacesAndOnlyThoseUseTheZeroEntry) {
    int degenerate = 0;
    for (int f = 0; f < mesh.faceCount; ++f) {
        if (IsDegenerate(f)) {
            ++degenerate;
            EXPECT_EQ(EntryOf(f), 1) << "degenerate face " << f;
        } else {
            EXPECT_NE(EntryOf(f), 1) << "non-degenerate face " << f;
        }
    }
    EXPECT_EQ(degenerate, 2420) << "degenerate faces";
    EXPECT_EQ(mesh.faceCount - degenerate, 2732) << "non-degenerate faces";
}

TEST(MeshInvariants, CornersRunCounterClockwiseSeenFromTheNormalSide) {
    for (int f = 0; f < mesh.faceCount; ++f) {
        if (!IsDegenerate(f)) {
            const Vec turn = Cross(Corner(f, 0), Corner(f, 1), Corner(f, 2));
            EXPECT_GT(Dot(turn, EntryValue(EntryOf(f))), 0) << "face " << f;
        }
    }
}

// Each polygon gives (p0, p1, p2), (p0, p2, p3), (p2, p1, p0), (p3, p2, p0); the reversed faces
// carry the exact negation of their twins' entries, and the first two face +y.
TEST(MeshInvariants, PolygonsGiveTwoUpwardFacesAndTheirReversedTwins) {
    ASSERT_EQ(mesh.faceCount % kFacesPerPolygon, 0);
    float lowestRise = 1;
    for (int f = 0; f < mesh.faceCount; f += kFacesPerPolygon) {
        ASSERT_EQ(Corner(f + 1, 0), Corner(f, 0)) << "face " << f + 1;
        ASSERT_EQ(Corner(f + 1, 1), Corner(f, 2)) << "face " << f + 1;
        for (int twin = 0; twin < 2; ++twin) {
            const int front = f + twin, back = f + twin + 2;
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(Corner(back, k), Corner(front, 2 - k)) << "face " << back;
            }
            if (IsDegenerate(front)) {
                continue;
            }
            const float* up = mesh.normals[EntryOf(front)];
            const float* down = mesh.normals[EntryOf(back)];
            ExpectStored(down, {-up[0], -up[1], -up[2]}, "entry of face " + std::to_string(back));
            lowestRise = std::fmin(lowestRise, up[1]);
        }
    }
    EXPECT_EQ(lowestRise, 0.138509f) << "smallest y component of a +y face's normal";
}

TEST(MeshExamples, FirstCellUpperTriangleIsClippedAtThreeToFacesZeroToThree) {
    const std::array<float, 3> p0{2.75f, 3, 2.132353f}, p1{2.75f, 2.5f, 2.25f}, p2{2.8f, 3, 2.2f};
    const std::vector<std::array<float, 3>> entries{p0, p1, p2, p0, p2, p0, p2, p1, p0, p0, p2, p0};
    for (int v = 0; v < 12; ++v) {
        ExpectStored(mesh.vertices[v], entries[v], "vertex entry " + std::to_string(v));
    }
    ExpectEntries(0, {0, 1, 2, 1});
    ExpectStored(mesh.normals[0], {-0.796425f, 0.138509f, 0.588662f}, "normal entry 0");
    ExpectStored(mesh.normals[2], {0.796425f, -0.138509f, -0.588662f}, "normal entry 2");
    // The surface normal at C = (2.875, 3.75, 2.125).
    EXPECT_EQ(RoundSix(NodeNormal({2.875, 3.75, 2.125})), EntryValue(0));
}

TEST(MeshExamples, FirstCellLowerTriangleIsAQuadrilateralWhoseFacesShareEntries) {
    const std::array<float, 3> a{2.625f, 2.375f, 2.125f}, d{2.75f, 2.5f, 2.25f},
        q2{2.75f, 3, 2.132353f}, q3{2.690789f, 3, 2.059211f};
    ExpectCorners(4, {a, d, q2});
    ExpectCorners(5, {a, q2, q3});
    ExpectCorners(6, {q2, d, a});
    ExpectCorners(7, {q3, q2, a});
    ExpectEntries(4, {3, 3, 4, 4});
    EXPECT_EQ(RoundSix(OwnNormal(4)), (Vec{-0.768865, 0.146450, 0.622414}));
    EXPECT_EQ(RoundSix(OwnNormal(5)), (Vec{-0.768861, 0.146449, 0.622419}));
    EXPECT_EQ(KeyOf(OwnNormal(4)), (Key{-7688, 1464, 6224}));
    EXPECT_EQ(KeyOf(OwnNormal(5)), (Key{-7688, 1464, 6224}));
    ExpectStored(mesh.normals[3], {-0.768865f, 0.146450f, 0.622414f}, "normal entry 3");
}

TEST(MeshExamples, OneNodeSplitAcrossEntries87To90) {
    ExpectOwnNormal(256, {-0.82365286, 0.19380101, 0.53295135}, 8);
    ExpectOwnNormal(257, {-0.82365010, 0.19379935, 0.53295621}, 8);
    EXPECT_EQ(KeyOf(OwnNormal(256)), (Key{-8236, 1938, 5329}));
    EXPECT_EQ(KeyOf(OwnNormal(257)), (Key{-8236, 1937, 5329}));
    ExpectEntries(256, {87, 88, 89, 90});
    ExpectStored(mesh.normals[87], {-0.823653f, 0.193801f, 0.532951f}, "normal entry 87");
    ExpectStored(mesh.normals[88], {-0.823650f, 0.193799f, 0.532956f}, "normal entry 88");
    ExpectStored(mesh.normals[89], {0.823653f, -0.193801f, -0.532951f}, "normal entry 89");
    ExpectStored(mesh.normals[90], {0.823650f, -0.193799f, -0.532956f}, "normal entry 90");

    // Face 324, from cell (2, 13) with only grid corners, has the same node and key but differs
    // from entry 87 in the last decimal.
    ExpectCell(324, 2, 13, true);
    ExpectCell(256, 3, 14, false);
    EXPECT_EQ(NodeOf(CellOf(324 / kFacesPerPolygon)), NodeOf(CellOf(256 / kFacesPerPolygon)));
    EXPECT_EQ(RoundSix(OwnNormal(324)), (Vec{-0.823653, 0.193801, 0.532952}));
    EXPECT_EQ(KeyOf(OwnNormal(324)), (Key{-8236, 1938, 5329}));
    EXPECT_EQ(EntryOf(324), 87);
}

TEST(MeshExamples, EqualValuesInSeparateEntries1053And1115) {
    ExpectOwnNormal(3740, {0.88900089, 0.25400025, 0.38100038}, 8);
    ExpectOwnNormal(3964, {0.88900099, 0.25400050, 0.38099999}, 8);
    ExpectOwnNormal(3965, {0.88900005, 0.25400045, 0.38100220}, 8);
    EXPECT_EQ(KeyOf(OwnNormal(3740)), (Key{8890, 2540, 3810}));
    EXPECT_EQ(KeyOf(OwnNormal(3964)), (Key{8890, 2540, 3809}));
    EXPECT_EQ(KeyOf(OwnNormal(3965)), (Key{8890, 2540, 3810}));
    EXPECT_EQ(EntryOf(3740), 1053);
    EXPECT_EQ(EntryOf(3964), 1115);
    EXPECT_EQ(EntryOf(3965), 1053);
    for (int f = 0; f < 3964; ++f) {
        ASSERT_LT(EntryOf(f), 1115) << "face " << f << " uses entry 1115 before face 3964";
    }
    ExpectStored(mesh.normals[1053], {0.889001f, 0.254f, 0.381f}, "normal entry 1053");
    ExpectStored(mesh.normals[1115], {0.889001f, 0.254f, 0.381f}, "normal entry 1115");
    ExpectStored(mesh.normals[1054], {-0.889001f, -0.254f, -0.381f}, "normal entry 1054");
    ExpectStored(mesh.normals[1116], {-0.889001f, -0.254f, -0.381f}, "normal entry 1116");

    ExpectCell(3740, -10, -4, false);
    ExpectCell(3964, -11, -5, true);
    EXPECT_EQ(3964 % kFacesPerPolygon, 0) << "face 3964 is the first +y face of its polygon";
}

TEST(MeshExamples, Face1004SharesEntry269ThatFace884Created) {
    EXPECT_EQ(RoundSix(OwnNormal(1004)), (Vec{-0.073344, 0.293294, 0.953205}));
    EXPECT_EQ(KeyOf(OwnNormal(1004)), (Key{-733, 2932, 9532}));
    EXPECT_EQ(EntryOf(884), 269);
    EXPECT_EQ(EntryOf(1004), 269);
    for (int f = 0; f < 884; ++f) {
        ASSERT_LT(EntryOf(f), 269) << "face " << f << " uses entry 269 before face 884";
    }
    ExpectStored(mesh.normals[269], {-0.073324f, 0.293294f, 0.953206f}, "normal entry 269");
    EXPECT_NEAR(mesh.normals[269][0] - OwnNormal(1004)[0], 0.00002, 0.000001);

    ExpectCell(1004, -7, 6, true);
    ExpectCell(884, -6, 7, false);
}

std::vector<int> PolygonsOfCell(int column, int row) {
    std::vector<int> polygons;
    for (int p = 0; p < PolygonCount(); ++p) {
        const PolygonCell cell = CellOf(p);
        if (cell.column == column && cell.row == row) {
            polygons.push_back(p);
        }
    }
    return polygons;
}

// B lies on y = 3 and C beyond: B is kept once, and the edge from C back to B adds no point.
TEST(MeshExamples, CornerOnThePlaneIsKeptWithoutACrossingPoint) {
    const std::vector<int> polygons = PolygonsOfCell(2, 16);
    ASSERT_EQ(polygons.size(), 2u) << "polygons of cell (2, 16)";
    const int face = kFacesPerPolygon * polygons[0];
    ExpectCorners(face, {{2.375f, 3, 1.625f}, {2.375f, 2.125f, 1.875f}, {2.477941f, 3, 1.772059f}});
    EXPECT_TRUE(IsDegenerate(face + 1)) << "the result is a triangle";
}

// The triangle (B, D, C) only touches y = 3 at D and is dropped.
TEST(MeshExamples, TriangleTouchingThePlaneInOneCornerIsDropped) {
    const std::vector<int> polygons = PolygonsOfCell(3, 15);
    ASSERT_EQ(polygons.size(), 1u) << "polygons of cell (3, 15)";
    EXPECT_FALSE(CellOf(polygons[0]).towardsC);
    const int face = kFacesPerPolygon * polygons[0];
    ExpectCorners(face, {{2.25f, 2.8125f, 1.5f}, {2.375f, 3, 1.625f}, {2.275f, 3, 1.475f}});
    EXPECT_TRUE(IsDegenerate(face + 1)) << "the result is a triangle";
}

}  // namespace
