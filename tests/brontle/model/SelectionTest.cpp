// Per-view selections: which shapes a view has selected (the scene graph) and each shape's
// sub-selection of polygons, points or edges in that view, through copies and deletions.
#include "support/ModelBuilders.h"

#include "brontle/core/Error.h"
#include "brontle/model/HostEnvironment.h"

#include <gtest/gtest.h>

using namespace brontle;
using namespace testing_shapes;

namespace {
SubSelection entries(std::initializer_list<std::pair<int, int>> items) {
    SubSelection s;
    for (auto [index, corner] : items) {
        s.add(index, corner);
    }
    return s;
}
} // namespace

TEST(Selection, ViewsSelectIndependently) {
    SceneGraphPtr scene = SceneGraph::create(nullptr);
    const DeviceID host = newDeviceID(), uv = newDeviceID();
    ShapePtr a = quadStrip(4, scene->CreateShape());
    ShapePtr b = unitQuad(scene->CreateShape());
    EXPECT_EQ(scene->GetSelectedShapeCount(host), 0);
    EXPECT_THROW(scene->GetSelectedShape(host, 0), Error);

    a->SetSubSelection(host, kSelectPolygons, entries({{1, 0}, {3, 0}}));
    b->SetSubSelection(uv, kSelectPoints, entries({{2, 0}}));
    EXPECT_EQ(scene->GetSelectedShapeCount(host), 1);
    EXPECT_EQ(scene->GetSelectedShape(host, 0), a);
    EXPECT_EQ(scene->GetSubSelectionKind(host), kSelectPolygons);
    EXPECT_EQ(scene->GetSubSelectionKind(uv), kSelectPoints);
    EXPECT_EQ(a->GetSelectionType(uv), 0);
    EXPECT_EQ(a->GetSubSelectionCount(host), 2);

    scene->ClearSelection(uv);
    EXPECT_EQ(scene->GetSelectedShapeCount(uv), 0);
    EXPECT_EQ(b->GetSubSelectionCount(uv), 0);
    EXPECT_EQ(scene->GetSelectedShapeCount(host), 1) << "other views keep theirs";

    // A released shape drops out of the view's list.
    ShapePtr c = unitQuad(scene->CreateShape());
    scene->SelectShape(uv, c);
    EXPECT_EQ(scene->GetSelectedShapeCount(uv), 1);
    EXPECT_EQ(c->GetSelectionType(uv), 0) << "a whole-shape selection has no sub-selection";
    c.reset();
    EXPECT_EQ(scene->GetSelectedShapeCount(uv), 0);
}

TEST(Selection, SelectedVerticesOfEachKind) {
    ShapePtr strip = quadStrip(3); // quad i uses vertices 2i, 2i+2, 2i+3, 2i+1
    const DeviceID view = newDeviceID();
    strip->SetSubSelection(view, kSelectPoints, entries({{5, 0}, {1, 0}}));
    SubSelection points = strip->GetSelectedVertices(view);
    ASSERT_EQ(points.count(), 2);
    EXPECT_EQ(points.entries[0].index, 5) << "points keep selection order";
    EXPECT_EQ(points.entries[1].index, 1);

    strip->SetSubSelection(view, kSelectPolygons, entries({{2, 0}, {1, 0}}));
    std::vector<int> got;
    for (const auto& e : strip->GetSelectedVertices(view).entries) {
        got.push_back(e.index);
    }
    EXPECT_EQ(got, (std::vector<int>{2, 3, 4, 5, 6, 7}));

    // Edge (polygon 0, corner 3) runs from corner 3 back to corner 0: vertices 1 and 0.
    strip->SetSubSelection(view, kSelectEdges, entries({{0, 3}}));
    got.clear();
    for (const auto& e : strip->GetSelectedVertices(view).entries) {
        got.push_back(e.index);
    }
    EXPECT_EQ(got, (std::vector<int>{0, 1}));

    EXPECT_THROW(strip->SetSubSelection(view, kSelectEdges, entries({{0, 4}})), Error);
    EXPECT_THROW(strip->SetSubSelection(view, kSelectPoints, entries({{8, 0}})), Error);
    EXPECT_THROW(strip->SetSubSelection(view, 4, SubSelection{}), Error);
    EXPECT_EQ(strip->GetSelectionType(view), kSelectEdges) << "failed calls change nothing";
}

TEST(Selection, SubSelectionsTravelWithCopiesAndDeletions) {
    const DeviceID host = newDeviceID();
    ShapePtr shape = quadStrip(10);
    shape->SetSubSelection(host, kSelectPolygons, entries({{2, 0}, {5, 0}, {8, 0}}));
    ShapePtr working = Shape::create();
    working->AppendShape(*shape);
    EXPECT_EQ(working->GetSelectionType(host), kSelectPolygons);
    // Keep only the selected polygons in the copy: its selection renumbers to 0, 1, 2.
    const std::int32_t others[] = {0, 1, 3, 4, 6, 7, 9};
    working->DeletePolygons(others);
    SubSelection kept = working->GetSubSelection(host);
    ASSERT_EQ(kept.count(), 3);
    EXPECT_EQ(kept.entries[0].index, 0);
    EXPECT_EQ(kept.entries[2].index, 2);
    // Remove the edited polygons from the original and append the copy: the appended polygons
    // are the selection now.
    const std::int32_t edited[] = {2, 5, 8};
    shape->DeletePolygons(edited);
    EXPECT_EQ(shape->GetSubSelectionCount(host), 0);
    shape->AppendShape(*working);
    SubSelection after = shape->GetSubSelection(host);
    ASSERT_EQ(after.count(), 3);
    EXPECT_EQ(after.entries[0].index, 7);
    EXPECT_EQ(after.entries[2].index, 9);
    EXPECT_EQ(shape->GetSelectionType(host), kSelectPolygons);
}
