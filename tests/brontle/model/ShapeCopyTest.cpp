// Whole-shape host semantics: complete copies that share unchanged arrays, in-place restores,
// polygon deletion that keeps the survivors bit-identical, and the transforms.
#include "support/ModelBuilders.h"

#include "brontle/core/Error.h"
#include "brontle/model/Polygon.h"

#include <gtest/gtest.h>

using namespace brontle;
using namespace testing_shapes;

namespace {

void expectSameGeometry(const Shape& a, const Shape& b) {
    EXPECT_EQ(a.vertices(), b.vertices());
    EXPECT_EQ(a.normals(), b.normals());
    EXPECT_EQ(a.texcoords(), b.texcoords());
    EXPECT_EQ(a.polygonStart(), b.polygonStart());
    EXPECT_EQ(a.cornerVertex(), b.cornerVertex());
    EXPECT_EQ(a.cornerNormal(), b.cornerNormal());
    EXPECT_EQ(a.cornerTexCoord(), b.cornerTexCoord());
    EXPECT_EQ(a.polygonTag(), b.polygonTag());
    EXPECT_EQ(a.materials(), b.materials());
}

} // namespace

TEST(ShapeCopy, AppendIntoEmptyIsACompleteCopyThatSharesUntilWritten) {
    ShapePtr source = flatShadedCube();
    source->GetPolygon(2).SetTag(-3);
    ShapePtr copy = Shape::create();
    copy->AppendShape(*source);
    expectSameGeometry(*copy, *source);
    EXPECT_TRUE(copy->sharesArraysWith(*source));

    copy->SetVertex(0, {9, 9, 9});
    EXPECT_EQ(source->GetVertex(0), (Vector3{0, 0, 0})) << "the source keeps its own vertices";
    EXPECT_FALSE(copy->sharesArraysWith(*source));
    EXPECT_EQ(copy->cornerVertex(), source->cornerVertex());

    // Clear + AppendShape restores in place: the same object, the recorded content.
    ShapePtr record = Shape::create();
    record->AppendShape(*source);
    source->Translate({1, 2, 3});
    source->Clear();
    EXPECT_EQ(source->GetPolygonCount(), 0);
    source->AppendShape(*record);
    EXPECT_EQ(source->GetVertex(6), (Vector3{1, 1, 1}));
    EXPECT_EQ(source->GetPolygon(2).GetTag(), -3);
}

TEST(ShapeCopy, AppendIntoANonEmptyShapeOffsetsEveryIndex) {
    ShapePtr shape = unitQuad();
    ShapePtr cube = flatShadedCube();
    shape->AppendShape(*cube);
    ASSERT_EQ(shape->GetPolygonCount(), 7);
    EXPECT_EQ(shape->GetVertexCount(), 12);
    EXPECT_EQ(shape->cornerCount(), 28);
    Polygon first = shape->GetPolygon(1);
    EXPECT_EQ(first.GetCornerVertex(0), 4 + 0);
    EXPECT_EQ(first.GetCornerVertex(1), 4 + 3);
    EXPECT_EQ(shape->GetNormal(first.GetCornerNormalIndex(0)), (Vector3{0, 0, -1}));
    EXPECT_EQ(shape->GetMaterialCount(), 2) << "each shape's default material kept";
    EXPECT_EQ(shape->GetPolygon(3).GetMaterial(), cube->GetMaterialByIndex(0));
    // Appending a shape to itself doubles it.
    shape->AppendShape(*shape);
    EXPECT_EQ(shape->GetPolygonCount(), 14);
    EXPECT_EQ(shape->GetPolygon(13).GetCornerVertex(3), 12 + 4 + 3);
}

TEST(ShapeCopy, DeletingThreeOfTenPolygonsLeavesTheOthersBitIdentical) {
    ShapePtr shape = quadStrip(10);
    for (std::int32_t p = 0; p < 10; ++p) {
        shape->GetPolygon(p).SetTag(100 + p);
    }
    const std::vector<Vector3> vertices = shape->vertices();
    const std::int32_t doomed[] = {7, 2, 4, 2};
    shape->DeletePolygons(doomed);
    ASSERT_EQ(shape->GetPolygonCount(), 7);
    EXPECT_EQ(shape->vertices(), vertices) << "pools are kept";
    const std::int32_t survivors[] = {0, 1, 3, 5, 6, 8, 9};
    for (std::int32_t i = 0; i < 7; ++i) {
        Polygon p = shape->GetPolygon(i);
        const std::int32_t was = survivors[i];
        EXPECT_EQ(p.GetTag(), 100 + was);
        EXPECT_EQ(p.GetCornerVertex(0), 2 * was);
        EXPECT_EQ(p.GetCornerVertex(2), 2 * was + 3);
    }
    const std::int32_t outOfRange[] = {7};
    EXPECT_THROW(shape->DeletePolygons(outOfRange), Error);
}

TEST(ShapeCopy, BoundingBoxTranslateAndScale) {
    ShapePtr shape = flatShadedCube();
    EXPECT_EQ(shape->GetBoundingBox(), (BoundingBox{0, 0, 0, 1, 1, 1}));
    shape->Scale({100, 20, 5});
    shape->Translate({-40, -10, -2.5f});
    EXPECT_EQ(shape->GetBoundingBox(), (BoundingBox{-40, -10, -2.5f, 60, 10, 2.5f}));
    // Face normals survive a non-uniform scale as unit vectors along the same axes.
    EXPECT_EQ(shape->GetNormal(4), (Vector3{1, 0, 0}));
    // A vertex no corner uses does not widen the box.
    shape->AddVertex({1000, 0, 0});
    EXPECT_EQ(shape->GetBoundingBox().maxX, 60.0f);
    EXPECT_EQ(Shape::create()->GetBoundingBox(), BoundingBox{});
}

TEST(ShapeCopy, MaterialsAndTags) {
    ShapePtr shape = quadStrip(3);
    EXPECT_EQ(shape->GetMaterialCount(), 1);
    MaterialPtr red = Material::create();
    shape->GetPolygon(1).SetMaterial(red);
    EXPECT_EQ(shape->GetMaterialCount(), 2);
    EXPECT_EQ(shape->polygonMaterial(), (std::vector<std::int32_t>{0, 1, 0}));
    MaterialPtr only = Material::create();
    shape->SetMaterial(only);
    EXPECT_EQ(shape->GetMaterialCount(), 1);
    EXPECT_EQ(shape->GetPolygon(1).GetMaterial(), only);
    EXPECT_NE(red->GetMaterialKey(), only->GetMaterialKey());
    EXPECT_THROW(shape->GetMaterialByIndex(1), Error);
    // A new polygon on a shape without materials gets a default one.
    ShapePtr fresh = Shape::create();
    EXPECT_NE(fresh->AddPolygon().GetMaterial(), nullptr);
}
