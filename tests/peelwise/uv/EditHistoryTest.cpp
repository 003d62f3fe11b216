// The edit history's own rules: both views' selections, the vertex cache and shape identity over
// a restore. The twenty-state limit, walking the states with undo and redo after real edits and
// forgetting them are the editing session's test.
#include "support/ModelBuilders.h"

#include "peelwise/uv/EditHistory.h"

#include "brontle/model/SceneGraph.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace brontle;
using peelwise::EditHistory;
using peelwise::HistoryTarget;

namespace {

struct HistoryFixture : ::testing::Test {
    SceneGraphPtr scene = SceneGraph::create(nullptr);
    DeviceID previewDevice = newDeviceID();
    DeviceID uvDevice = newDeviceID();
    ShapePtr source = testing_shapes::quadStrip(3, scene->CreateShape());
    ShapePtr uv = testing_shapes::unitQuad(scene->CreateShape());
    ShapePtr atlas = testing_shapes::unitQuad(scene->CreateShape());
    std::vector<Vector3> cache = uv->GetVertices();
    HistoryTarget target{*scene, previewDevice, uvDevice, *source, *uv, cache, atlas.get()};
    EditHistory history;

    // Edit number n (from 1) leaves the shapes in state n: UV vertex 0 at x = n / 100, the
    // source's vertex 0 at z = n and the atlas's texture coordinate 0 at u = n. State 0 is the
    // start.
    void edit(int n) {
        history.record(target);
        uv->SetVertex(0, {n / 100.0f, 0, 0});
        source->SetVertex(0, {0, 0, float(n)});
        atlas->SetTextureCoordinates(std::vector<Vector2>{{float(n), 0.0f}});
        cache = uv->GetVertices(); // as every edit command refreshes it
    }
    int state() const {
        const int fromUV = static_cast<int>(std::lround(uv->GetVertex(0).x * 100.0f));
        EXPECT_EQ(float(fromUV), source->GetVertex(0).z) << "all shapes come from one state";
        EXPECT_EQ(float(fromUV), atlas->texcoords().at(0).u) << "all shapes come from one state";
        EXPECT_EQ(cache, uv->vertices()) << "the vertex cache follows the UV shape";
        return fromUV;
    }
};

SubSelection entries(std::initializer_list<std::int32_t> indices) {
    SubSelection s;
    for (std::int32_t i : indices) {
        s.add(i);
    }
    return s;
}

} // namespace

TEST_F(HistoryFixture, SelectionsOfBothViewsAreRestoredAndAbsentOnesStayAbsent) {
    uv->SetSubSelection(uvDevice, kSelectPoints, entries({2, 1}));
    source->SetSubSelection(previewDevice, kSelectPolygons, entries({1}));
    edit(1);
    EXPECT_EQ(history.entry(0).uvKind, kSelectPoints);
    EXPECT_EQ(history.entry(0).previewKind, kSelectPolygons);
    scene->ClearSelection(uvDevice);
    scene->ClearSelection(previewDevice);
    edit(2); // recorded with no selection anywhere
    uv->SetSubSelection(uvDevice, kSelectPoints, entries({3}));

    history.undo(target); // to state 1: nothing was selected then
    EXPECT_EQ(state(), 1);
    EXPECT_EQ(scene->GetSelectedShapeCount(uvDevice), 0);
    EXPECT_EQ(uv->GetSubSelectionCount(uvDevice), 0);
    EXPECT_EQ(source->GetSubSelectionCount(previewDevice), 0);

    history.undo(target); // to state 0
    EXPECT_EQ(state(), 0);
    EXPECT_EQ(scene->GetSelectedShape(uvDevice, 0), uv);
    EXPECT_EQ(uv->GetSelectionType(uvDevice), kSelectPoints);
    EXPECT_EQ(uv->GetSubSelection(uvDevice), entries({2, 1}));
    EXPECT_EQ(source->GetSelectionType(previewDevice), kSelectPolygons);
    EXPECT_EQ(source->GetSubSelection(previewDevice), entries({1}));

    history.redo(target); // back to state 1: the selections go again
    EXPECT_EQ(uv->GetSubSelectionCount(uvDevice), 0);
    EXPECT_EQ(source->GetSubSelectionCount(previewDevice), 0);
}

TEST_F(HistoryFixture, RestoringKeepsTheShapeObjectsAndCopiesShareArrays) {
    Shape* const sourceBefore = source.get();
    Shape* const uvBefore = uv.get();
    edit(1);
    EXPECT_TRUE(history.entry(0).uvCopy != uv);
    history.undo(target);
    EXPECT_EQ(&target.uv, uvBefore);
    EXPECT_EQ(&target.source, sourceBefore);
    EXPECT_TRUE(uv->sharesArraysWith(*history.entry(0).uvCopy)) << "restored without copying";
    // An edit of the restored shape leaves the recorded state as it was.
    uv->SetVertex(0, {0.5f, 0.5f, 0});
    EXPECT_EQ(history.entry(0).uvCopy->GetVertex(0).x, 0.0f);
}
