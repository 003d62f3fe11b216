// Bad input at the atlas boundary: every case throws brontle::Error with the documented
// negative number and a description that names the reason.

#include "AtlasTestMeshes.h"
#include "brontle/core/Error.h"

#include <limits>
#include <string>

namespace brontle::atlas::testing {
namespace {

// Runs the atlas and returns the error it throws (number 0 when it does not throw).
Error errorOf(const GeneratedMesh& mesh, const Options& options) {
    try {
        generate(mesh.view(), options);
    } catch (const Error& e) {
        return e;
    }
    return Error(0, "no error");
}

void expectError(const GeneratedMesh& mesh, const Options& options, std::int32_t number,
                 const std::string& words) {
    const Error e = errorOf(mesh, options);
    EXPECT_EQ(e.number(), number) << e.description();
    EXPECT_NE(e.description().find(words), std::string::npos) << e.description();
}

TEST(AtlasInput, BadMeshesAreRejectedNamingTheReason) {
    GeneratedMesh empty;
    empty.positions = {{0, 0, 0}};
    expectError(empty, defaultOptions(), ErrorNumber::HostBadMesh, "no polygons");

    GeneratedMesh flat;
    flat.positions = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
    flat.addPolygon({0, 1, 2});    // collinear
    flat.addPolygon({1, 2, 3, 1}); // collinear, vertex repeated
    expectError(flat, defaultOptions(), ErrorNumber::HostBadMesh, "degenerate");

    GeneratedMesh m = unitQuad();
    m.positions[2].y = std::numeric_limits<float>::quiet_NaN();
    expectError(m, defaultOptions(), ErrorNumber::HostBadMesh, "NaN or infinite");
    m = unitQuad();
    m.positions[0].z = -std::numeric_limits<float>::infinity();
    expectError(m, defaultOptions(), ErrorNumber::HostBadMesh, "vertex 0");

    for (const std::int32_t bad : {4, -1}) {
        m = unitQuad();
        m.cornerVertex[3] = bad;
        expectError(m, defaultOptions(), ErrorNumber::HostBadMesh, "out of range");
    }
    m = unitQuad();
    m.addPolygon({0, 2});
    expectError(m, defaultOptions(), ErrorNumber::HostBadMesh, "fewer than 3 corners");
    m = unitQuad();
    m.seams.push_back({1, 0, {0, 0, 0, 0}});
    expectError(m, defaultOptions(), ErrorNumber::HostBadArgument, "seam");
}

TEST(AtlasInput, OptionsOutsideTheirRangesAreRejectedAndTheLimitsAccepted) {
    Options o;
    o.factor = 0;
    expectError(unitQuad(), o, ErrorNumber::HostBadArgument, "factor 0");
    o.factor = 101;
    expectError(unitQuad(), o, ErrorNumber::HostBadArgument, "factor 101");
    o.factorType = FactorType::ChartCount;
    expectError(unitQuad(), o, ErrorNumber::HostBadArgument, "factor 101");

    o = Options{};
    o.width = 63;
    expectError(unitQuad(), o, ErrorNumber::HostBadArgument, "width 63");
    o.width = 64;
    o.height = 2049;
    expectError(unitQuad(), o, ErrorNumber::HostBadArgument, "height 2049");
    o.height = 2048;
    EXPECT_EQ(errorOf(unitQuad(), o).number(), 0);

    o = Options{};
    o.gutter = 1;
    expectError(unitQuad(), o, ErrorNumber::HostBadArgument, "gutter 1");
}

TEST(AtlasInput, DegeneratePolygonsAmongGoodOnesStillGetCoordinates) {
    GeneratedMesh m = quadGrid(3);
    m.addPolygon({0, 1, 2}); // collinear along the grid's first row
    m.addPolygon({5, 5, 6}); // repeated vertex
    const GeneratedMesh& mesh = m;
    const Result r = generate(mesh.view(), defaultOptions());
    expectAtlasInvariants(mesh, r);
    EXPECT_EQ(countOverlappingTexels(mesh.view(), r, 1024, 1024), 0);
}

TEST(AtlasInput, IsolatedDegeneratePolygonGetsItsOwnChart) {
    GeneratedMesh m = unitQuad();
    m.positions.push_back({5, 5, 5});
    m.positions.push_back({6, 6, 6});
    m.positions.push_back({7, 7, 7});
    m.addPolygon({4, 5, 6});
    const Result r = generate(m.view(), defaultOptions());
    expectAtlasInvariants(m, r);
    EXPECT_EQ(r.chartCount, 2);
    EXPECT_NE(r.polygonChart[0], r.polygonChart[1]);
}

} // namespace
} // namespace brontle::atlas::testing
