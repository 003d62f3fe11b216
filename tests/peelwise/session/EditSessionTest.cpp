// Every edit of an editing run through the session, without a display: drags with axis locks,
// the transform steps, the four welds, unlink, chart selection, undo and redo over the history's
// limit, a re-unwrap, and that a weld undone before OK leaves exactly the texture coordinates OK
// writes without it. After each edit the UV shape, the atlas texture coordinates, the table and
// the vertex cache must agree with one another.
#include "support/ModelBuilders.h"

#include "peelwise/session/EditSession.h"
#include "peelwise/uv/BuildUVShape.h"
#include "peelwise/uv/RebuildUVCorrespondence.h"
#include "peelwise/uv/TransformUVPoints.h"

#include "brontle/core/Error.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <ostream>

namespace brontle {
inline void PrintTo(const Vector3& p, std::ostream* out) {
    *out << '(' << p.x << ", " << p.y << ", " << p.z << ')';
}
inline void PrintTo(const Vector2& t, std::ostream* out) {
    *out << '(' << t.u << ", " << t.v << ')';
}
} // namespace brontle

namespace {

using namespace brontle;
using peelwise::EditSession;
using peelwise::modUV::WeldKind;

// Exact binary fractions, so that equal distances are equal in single precision. Texture
// coordinates (u, v) per polygon; the UV points are (u, 1 - v):
//   polygon 0 quad UV (0.25, 0.75) (0.5, 0.75) (0.5, 0.5) (0.25, 0.5)          tag +1
//   polygon 1 quad UV (0.625, 0.75) (0.875, 0.75) (0.875, 0.5) (0.625, 0.5)   tag +2, own chart
//   polygon 2 tri  UV (0.5, 0.125) (0.25, 0.125) (0.25, 0.375)                tag -3 (reversed)
const std::vector<std::vector<Vector2>> kLayout = {
    {{0.25f, 0.25f}, {0.5f, 0.25f}, {0.5f, 0.5f}, {0.25f, 0.5f}},
    {{0.625f, 0.25f}, {0.875f, 0.25f}, {0.875f, 0.5f}, {0.625f, 0.5f}},
    {{0.25f, 0.625f}, {0.25f, 0.875f}, {0.5f, 0.875f}},
};

const auto kFree = [] { return false; };
const auto kLocked = [] { return true; };

class EditSessionTest : public ::testing::Test {
  protected:
    SceneGraphPtr scene = SceneGraph::create(
        std::make_shared<HostEnvironment>("/nonexistent/brontle", "EditSessionTest"));
    DeviceID preview = newDeviceID();
    DeviceID uvView = newDeviceID();
    EditSession session;

    void SetUp() override { layout(kLayout); }

    // A fresh session over a source shape with these texture coordinates, laid out as the
    // editor lays out every polygon.
    void layout(const std::vector<std::vector<Vector2>>& polygons) {
        session = EditSession(testing_shapes::atlasFromTexCoords(scene->CreateShape(), polygons));
        session.attach(*scene, preview, uvView);
        session.atlas = testing_shapes::copyOf(*scene, *session.source);
        std::vector<std::int32_t> all(polygons.size());
        std::iota(all.begin(), all.end(), 0);
        session.uv = peelwise::modUV::BuildUVShape(*scene, *session.atlas, all);
        peelwise::modUV::RebuildUVCorrespondence(*session.uv, *session.atlas,
                                                 session.uvVertexToTexCoord);
        session.refreshUVPositions();
    }

    Shape& uv() const { return *session.uv; }
    Shape& atlas() const { return *session.atlas; }

    std::int32_t vertexAt(float x, float y) const {
        const std::int32_t v = uv().FindVertex({x, y, 0.0f});
        EXPECT_LT(v, uv().GetVertexCount()) << "no UV point at " << x << ", " << y;
        return v;
    }

    void selectPoints(const std::vector<std::int32_t>& points) {
        SubSelection selection;
        for (std::int32_t p : points) {
            selection.add(p);
        }
        uv().SetSubSelection(uvView, kSelectPoints, selection);
    }

    std::vector<std::int32_t> selectedIndices() const {
        std::vector<std::int32_t> out;
        if (scene->GetSelectedShapeCount(uvView) == 0) {
            return out;
        }
        for (const SubSelectionEntry& e : uv().GetSubSelection(uvView).entries) {
            out.push_back(e.index);
        }
        return out;
    }

    // Moves UV point v to (x, y) with its texture coordinate and the cache, as an edit would.
    void placePoint(std::int32_t v, float x, float y) {
        uv().SetVertex(v, {x, y, 0.0f});
        std::vector<Vector2> texcoords = atlas().GetTextureCoordinates();
        texcoords[session.uvVertexToTexCoord[v]] = {x - 1.0f, -y};
        atlas().SetTextureCoordinates(texcoords);
        session.refreshUVPositions();
    }

    struct Corner {
        std::int32_t polygon;
        std::int32_t corner;
    };
    Corner cornerOf(std::int32_t v) const {
        for (std::int32_t p = 0; p < uv().GetPolygonCount(); ++p) {
            Polygon polygon = uv().GetPolygon(p);
            for (std::int32_t k = 0; k < polygon.GetCornerCount(); ++k) {
                if (polygon.GetCornerVertex(k) == v) {
                    return {p, k};
                }
            }
        }
        ADD_FAILURE() << "no corner uses " << v;
        return {0, 0};
    }
    std::int32_t vertexOf(Corner c) const {
        return uv().GetPolygon(c.polygon).GetCornerVertex(c.corner);
    }
    // The atlas texture coordinate index of the corner that mirrors UV corner c.
    std::int32_t texCoordIndexOf(Corner c) const {
        Polygon polygon = uv().GetPolygon(c.polygon);
        const std::int32_t tag = polygon.GetTag();
        const std::int32_t n = polygon.GetCornerCount();
        return atlas()
            .GetPolygon(std::abs(tag) - 1)
            .GetCornerTexCoordIndex(tag > 0 ? c.corner : n - 1 - c.corner);
    }

    // Both corners sit at `target` on one UV vertex and one atlas texture coordinate there.
    void expectJoinedAt(Corner a, Corner b, Vector3 target) const {
        EXPECT_EQ(vertexOf(a), vertexOf(b));
        EXPECT_EQ(uv().GetVertex(vertexOf(a)), target);
        EXPECT_EQ(texCoordIndexOf(a), texCoordIndexOf(b));
        EXPECT_EQ(atlas().texcoords()[texCoordIndexOf(a)], (Vector2{target.x - 1.0f, -target.y}));
    }

    // The run's pieces agree: every atlas corner holds (x - 1, -y) of its UV point, found
    // through the polygons; the table names each UV vertex's atlas coordinate; the cache is
    // the layout.
    void expectConsistent() const {
        ASSERT_EQ(session.uvVertexToTexCoord.size(),
                  static_cast<std::size_t>(uv().GetVertexCount()));
        for (std::int32_t p = 0; p < uv().GetPolygonCount(); ++p) {
            Polygon polygon = uv().GetPolygon(p);
            for (std::int32_t k = 0; k < polygon.GetCornerCount(); ++k) {
                const std::int32_t v = polygon.GetCornerVertex(k);
                const Vector3 q = uv().GetVertex(v);
                const std::int32_t t = texCoordIndexOf({p, k});
                EXPECT_EQ(atlas().texcoords()[t], (Vector2{q.x - 1.0f, -q.y}))
                    << "polygon " << p << " corner " << k;
                EXPECT_EQ(session.uvVertexToTexCoord[v], t) << "polygon " << p << " corner " << k;
            }
        }
        EXPECT_EQ(session.uvPositions, uv().vertices());
    }

    // What every weld leaves besides the join.
    void expectWeldAftermath() const {
        EXPECT_TRUE(selectedIndices().empty()) << "the point selection is gone";
        EXPECT_EQ(session.history().count(), 1);
        EXPECT_TRUE(session.uvChanged);
        expectConsistent();
    }
};

TEST_F(EditSessionTest, DragsAreTotalsFromTheCacheClampedToTheSquareWithAxisLocks) {
    const std::int32_t p = vertexAt(0.875f, 0.5f);
    selectPoints({p});
    session.dragMove(0.0625f, 0.0625f, kFree, kFree);
    const peelwise::modUV::DragResult result = session.dragMove(0.5f, 0.125f, kFree, kFree);
    // Totals since the drag began, not increments; x stops at the edge of the unit square.
    EXPECT_EQ(uv().GetVertex(p), (Vector3{1.0f, 0.625f, 0.0f}));
    EXPECT_EQ(result.count, 1);
    EXPECT_EQ(result.single, (Vector3{1.0f, 0.625f, 0.0f}));
    EXPECT_EQ(session.uvPositions[p], (Vector3{0.875f, 0.5f, 0.0f})) << "the cache waits";
    session.endDrag();
    expectConsistent();

    // The lock on x keeps U, the lock on y keeps V.
    session.dragMove(-0.25f, -0.25f, kLocked, kFree);
    EXPECT_EQ(uv().GetVertex(p), (Vector3{1.0f, 0.375f, 0.0f}));
    session.dragMove(-0.25f, -0.25f, kFree, kLocked);
    EXPECT_EQ(uv().GetVertex(p), (Vector3{0.75f, 0.625f, 0.0f}));
    session.endDrag();
    expectConsistent();

    // A scale of two points about their box's centre, y locked.
    selectPoints({vertexAt(0.25f, 0.75f), vertexAt(0.5f, 0.75f)});
    const std::int32_t left = vertexAt(0.25f, 0.75f);
    session.dragScale(2.0f, 2.0f, kFree, kLocked);
    session.endDrag();
    EXPECT_LT(uv().GetVertex(left).x, 0.25f);
    EXPECT_EQ(uv().GetVertex(left).y, 0.75f);
    expectConsistent();
    EXPECT_EQ(session.history().count(), 0) << "a drag records nothing by itself";
}

TEST_F(EditSessionTest, ATransformStepRecordsFirstThenMovesTheSelectionAndItsTexCoords) {
    const std::int32_t p = vertexAt(0.25f, 0.125f);
    selectPoints({p});
    const std::vector<Vector3> before = uv().GetVertices();
    int calls = 0;
    session.transform(peelwise::modUV::kTransformMove, 0.0625f, 0.0f, false, false, [&] {
        // Called after the record and before the change.
        ++calls;
        EXPECT_EQ(session.history().count(), 1);
        EXPECT_EQ(uv().vertices(), before);
    });
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(session.uvChanged);
    EXPECT_EQ(uv().GetVertex(p), (Vector3{0.3125f, 0.125f, 0.0f}));
    for (std::int32_t v = 0; v < uv().GetVertexCount(); ++v) {
        if (v != p) {
            EXPECT_EQ(uv().GetVertex(v), before[v]) << v;
        }
    }
    expectConsistent();

    // The axis locks of a move: x locked keeps U, y locked keeps V.
    session.transform(peelwise::modUV::kTransformMove, 0.0625f, 0.0625f, true, false);
    EXPECT_EQ(uv().GetVertex(p), (Vector3{0.3125f, 0.1875f, 0.0f}));
    session.transform(peelwise::modUV::kTransformMove, 0.0625f, 0.0625f, false, true);
    EXPECT_EQ(uv().GetVertex(p), (Vector3{0.375f, 0.1875f, 0.0f}));
    EXPECT_EQ(session.history().count(), 3);
    expectConsistent();

    // Without a selection every point moves.
    scene->ClearSelection(uvView);
    const std::vector<Vector3> all = uv().GetVertices();
    session.transform(peelwise::modUV::kTransformMove, 0.0f, -0.0625f, false, false);
    for (std::int32_t v = 0; v < uv().GetVertexCount(); ++v) {
        EXPECT_EQ(uv().GetVertex(v), (Vector3{all[v].x, all[v].y - 0.0625f, 0.0f})) << v;
    }
    expectConsistent();

    // Moves stop at the edges of the unit square, and the texture coordinates stop with them.
    session.transform(peelwise::modUV::kTransformMove, -2.0f, 2.0f, false, false);
    for (std::int32_t v = 0; v < uv().GetVertexCount(); ++v) {
        EXPECT_EQ(uv().GetVertex(v), (Vector3{0.0f, 1.0f, 0.0f})) << v;
        EXPECT_EQ(atlas().texcoords()[session.uvVertexToTexCoord[v]], (Vector2{-1.0f, -1.0f}));
    }
    expectConsistent();
}

TEST_F(EditSessionTest, WeldSelectionAndWeldToSelectedJoinAtTheMeanAndAtTheFirstPoint) {
    const std::int32_t d = vertexAt(0.25f, 0.5f);
    const std::int32_t i = vertexAt(0.25f, 0.375f);
    Corner cd = cornerOf(d), ci = cornerOf(i);
    selectPoints({d, i});
    session.weld(WeldKind::Selection);
    expectJoinedAt(cd, ci, {0.25f, static_cast<float>((0.5 + 0.375) / 2.0), 0.0f});
    EXPECT_EQ(uv().GetVertex(vertexAt(0.25f, 0.75f)), (Vector3{0.25f, 0.75f, 0.0f}));
    expectWeldAftermath();

    layout(kLayout);
    const std::int32_t first = vertexAt(0.25f, 0.375f);
    const std::int32_t second = vertexAt(0.25f, 0.5f);
    cd = cornerOf(second);
    ci = cornerOf(first);
    selectPoints({first, second});
    session.weld(WeldKind::ToSelected);
    expectJoinedAt(cd, ci, {0.25f, 0.375f, 0.0f});
    expectWeldAftermath();
}

TEST_F(EditSessionTest, NearestWeldsPullTheNearestOtherPointOrGoToIt) {
    const std::int32_t c = vertexAt(0.5f, 0.5f);
    const std::int32_t nearest = vertexAt(0.625f, 0.5f); // 0.125 away; the rest 0.25 or more
    selectPoints({c});
    Corner cc = cornerOf(c), cn = cornerOf(nearest);
    session.weld(WeldKind::Nearest);
    expectJoinedAt(cc, cn, {0.5f, 0.5f, 0.0f});
    EXPECT_EQ(uv().GetVertex(vertexAt(0.875f, 0.5f)), (Vector3{0.875f, 0.5f, 0.0f}));
    expectWeldAftermath();

    layout(kLayout);
    cc = cornerOf(vertexAt(0.5f, 0.5f));
    cn = cornerOf(vertexAt(0.625f, 0.5f));
    selectPoints({vertexAt(0.5f, 0.5f)});
    session.weld(WeldKind::ToNearest);
    expectJoinedAt(cc, cn, {0.625f, 0.5f, 0.0f});
    expectWeldAftermath();
}

TEST_F(EditSessionTest, AWeldThatCannotGoOnThrowsBeforeAnyShapeChanges) {
    const std::vector<Vector3> points = uv().GetVertices();
    const std::vector<Vector2> texcoords = atlas().GetTextureCoordinates();
    const std::vector<std::int32_t> corners = uv().cornerVertex();
    selectPoints({});
    try {
        session.weld(WeldKind::Selection);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 9);
    }
    EXPECT_EQ(uv().vertices(), points);
    EXPECT_EQ(uv().cornerVertex(), corners);
    EXPECT_EQ(atlas().texcoords(), texcoords);
    EXPECT_EQ(session.history().count(), 1) << "the history entry made first stays";

    // No other point to join: every point lies on the selected one.
    layout({{{0.25f, 0.25f}, {0.5f, 0.25f}, {0.5f, 0.5f}}});
    for (std::int32_t v = 1; v < uv().GetVertexCount(); ++v) {
        placePoint(v, uv().GetVertex(0).x, uv().GetVertex(0).y);
    }
    const std::vector<Vector3> stacked = uv().GetVertices();
    selectPoints({0});
    try {
        session.weld(WeldKind::Nearest);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 9) << "a positive number: the general text, not the driver's";
    }
    EXPECT_EQ(uv().vertices(), stacked);
    EXPECT_EQ(selectedIndices(), (std::vector<std::int32_t>{0})) << "the selection stays";
}

TEST_F(EditSessionTest, UnlinkGivesTheCurrentPolygonsCornerAPointOfItsOwn) {
    // Two quads sharing the edge x = 0.5: the point (0.5, 0.5) leaves polygon 0 only.
    layout({{{0.25f, 0.25f}, {0.5f, 0.25f}, {0.5f, 0.5f}, {0.25f, 0.5f}},
            {{0.5f, 0.25f}, {0.75f, 0.25f}, {0.75f, 0.5f}, {0.5f, 0.5f}}});
    const std::int32_t shared = vertexAt(0.5f, 0.5f);
    const std::int32_t count = uv().GetVertexCount();
    const Corner inFirst{0, 2};
    ASSERT_EQ(vertexOf(inFirst), shared);
    selectPoints({shared});
    session.unlink(0);
    EXPECT_EQ(uv().GetVertexCount(), count + 1);
    EXPECT_NE(vertexOf(inFirst), shared) << "polygon 0 has its own point now";
    EXPECT_EQ(uv().GetVertex(shared), (Vector3{0.5f, 0.5f, 0.0f})) << "polygon 1 keeps the old";
    const Vector3 moved = uv().GetVertex(vertexOf(inFirst));
    EXPECT_LT(moved.x, 0.5f) << "a little inside polygon 0";
    EXPECT_GT(moved.y, 0.5f);
    EXPECT_TRUE(selectedIndices().empty());
    EXPECT_EQ(session.history().count(), 1);
    expectConsistent();

    // Nothing selected in the view, or the UV shape selected with no point: error 9, nothing
    // changed.
    const std::vector<Vector3> points = uv().GetVertices();
    EXPECT_THROW(session.unlink(0), Error);
    selectPoints({});
    try {
        session.unlink(0);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 9);
        EXPECT_EQ(e.description(), "Unlink: no point is selected in the coordinate view");
    }
    EXPECT_EQ(uv().vertices(), points);
    EXPECT_EQ(session.history().count(), 3) << "each attempt's history entry stays";
}

TEST_F(EditSessionTest, ChartSelectionSelectsEveryPolygonWholeAndRecordsNothing) {
    selectPoints({vertexAt(0.5f, 0.5f)});
    const std::vector<Vector3> points = uv().GetVertices();
    session.selectAllCharts();
    EXPECT_EQ(scene->GetSubSelectionKind(uvView), kSelectPolygons);
    const SubSelection selection = uv().GetSubSelection(uvView);
    ASSERT_EQ(selection.count(), 3);
    for (std::int32_t i = 0; i < 3; ++i) {
        SubSelectionEntry expected;
        expected.index = i;
        EXPECT_EQ(selection.entries[i], expected) << "entry " << i;
    }
    EXPECT_EQ(uv().vertices(), points);
    EXPECT_EQ(session.history().count(), 0);
    EXPECT_FALSE(session.uvChanged);
    session.deselectAllCharts();
    EXPECT_EQ(scene->GetSelectedShapeCount(uvView), 0);
}

TEST_F(EditSessionTest, TwentyFiveEditsKeepTwentyStatesAndUndoRedoWalkThem) {
    const std::int32_t p = vertexAt(0.25f, 0.125f);
    selectPoints({p});
    std::vector<std::vector<Vector3>> states{uv().GetVertices()};
    std::vector<std::vector<Vector2>> texcoords{atlas().GetTextureCoordinates()};
    const auto edit = [&] {
        session.transform(peelwise::modUV::kTransformMove, 0.015625f, 0.0f, false, false);
        states.push_back(uv().GetVertices());
        texcoords.push_back(atlas().GetTextureCoordinates());
    };
    for (int i = 0; i < 25; ++i) {
        edit();
    }
    EXPECT_EQ(session.history().count(), 20);
    EXPECT_EQ(session.history().position(), 20);
    EXPECT_EQ(session.history().entries().front().uvCopy->vertices(), states[5]);
    for (int undo = 1; undo <= 19; ++undo) {
        ASSERT_TRUE(session.history().canUndo()) << "undo " << undo;
        session.undo();
        expectConsistent();
    }
    EXPECT_EQ(uv().vertices(), states[6]) << "the state before the 7th edit";
    EXPECT_EQ(atlas().texcoords(), texcoords[6]) << "the atlas is part of a state";
    EXPECT_EQ(selectedIndices(), (std::vector<std::int32_t>{p})) << "the recorded selection";
    EXPECT_FALSE(session.history().canUndo());
    try {
        session.undo();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 9);
        EXPECT_EQ(e.description(), "There is no edit to undo");
    }
    EXPECT_EQ(uv().vertices(), states[6]) << "a refused undo changes nothing";
    for (int redo = 1; redo <= 19; ++redo) {
        session.redo();
    }
    EXPECT_EQ(uv().vertices(), states[25]) << "redo returns to the present";
    EXPECT_FALSE(session.history().canRedo());
    EXPECT_THROW(session.redo(), Error);

    // An edit after two undos discards both redo states.
    session.undo();
    session.undo();
    EXPECT_EQ(uv().vertices(), states[23]);
    edit();
    EXPECT_EQ(session.history().position(), session.history().count());
    EXPECT_FALSE(session.history().canRedo());
    session.undo();
    EXPECT_EQ(uv().vertices(), states[23]) << "the state before the new edit";

    session.forgetEdits();
    EXPECT_EQ(session.history().count(), 0);
    EXPECT_EQ(session.history().position(), 0);
    EXPECT_FALSE(session.uvChanged);
    EXPECT_THROW(session.undo(), Error);
    EXPECT_EQ(uv().vertices(), states[23]) << "forgetting the edits keeps the layout";
}

TEST_F(EditSessionTest, UndoingAWeldSeparatesTheCornersAndADragStartsFromTheRestoredLayout) {
    const std::int32_t d = vertexAt(0.25f, 0.5f);
    const std::int32_t i = vertexAt(0.25f, 0.375f);
    selectPoints({d, i});
    const std::vector<Vector3> before = uv().GetVertices();
    const std::vector<Vector2> texcoordsBefore = atlas().GetTextureCoordinates();
    const std::vector<std::int32_t> cornersBefore = atlas().cornerTexCoord();
    session.weld(WeldKind::Selection);
    ASSERT_NE(atlas().cornerTexCoord(), cornersBefore) << "the weld joined atlas corners";
    session.undo();
    EXPECT_EQ(session.history().count(), 2) << "the present was recorded first";
    EXPECT_EQ(session.history().position(), 0);
    EXPECT_TRUE(session.history().canRedo());
    EXPECT_EQ(uv().vertices(), before);
    EXPECT_EQ(atlas().texcoords(), texcoordsBefore);
    EXPECT_EQ(atlas().cornerTexCoord(), cornersBefore) << "its corners are apart again";
    EXPECT_EQ(selectedIndices(), (std::vector<std::int32_t>{d, i}));
    expectConsistent();

    selectPoints({d});
    session.dragMove(0.125f, 0.0f, kFree, kFree);
    session.endDrag();
    EXPECT_EQ(uv().GetVertex(d), (Vector3{0.375f, 0.5f, 0.0f}));
    EXPECT_EQ(uv().GetVertex(i), before[i]) << "the point once welded to it stays";
    expectConsistent();
}

// What OK writes into the working copy: after a weld, its joined corners; after a weld and its
// undo, exactly what OK without the weld writes (the history restores the atlas shape too).
TEST_F(EditSessionTest, WeldUndoOkGivesExactlyTheTexCoordsOfOkWithoutTheWeld) {
    const auto weldTwice = [&] {
        selectPoints({vertexAt(0.25f, 0.5f), vertexAt(0.25f, 0.375f)});
        session.weld(WeldKind::Selection);
        selectPoints({vertexAt(0.5f, 0.5f)});
        session.weld(WeldKind::ToNearest);
    };
    session.applyToSource();
    const std::vector<Vector2> plain = session.source->texcoords();
    const std::vector<std::int32_t> plainCorners = session.source->cornerTexCoord();

    layout(kLayout);
    weldTwice();
    session.applyToSource();
    EXPECT_NE(session.source->cornerTexCoord(), plainCorners) << "OK writes the welds";

    layout(kLayout);
    weldTwice();
    session.undo();
    session.undo();
    session.applyToSource();
    EXPECT_EQ(session.source->texcoords(), plain);
    EXPECT_EQ(session.source->cornerTexCoord(), plainCorners);

    // Without an atlas shape the working copy is left as it is.
    session.atlas = nullptr;
    EXPECT_THROW(session.applyToSource(), Error);
    EXPECT_EQ(session.source->cornerTexCoord(), plainCorners);
}

TEST_F(EditSessionTest, CommitWritesEveryPointAndRefusesATableThatDoesNotFit) {
    const std::int32_t p = vertexAt(0.25f, 0.75f);
    uv().SetVertex(p, {0.3125f, 0.5f, 0.0f});
    selectPoints({p});
    session.commitLayout();
    EXPECT_EQ(atlas().texcoords()[session.uvVertexToTexCoord[p]], (Vector2{-0.6875f, -0.5f}));
    EXPECT_EQ(scene->GetSelectedShapeCount(uvView), 0);

    const std::vector<Vector2> before = atlas().texcoords();
    session.uvVertexToTexCoord.back() = static_cast<std::int32_t>(before.size());
    uv().SetVertex(0, {0.125f, 0.125f, 0.0f});
    EXPECT_THROW(session.commitLayout(), Error);
    EXPECT_EQ(atlas().texcoords(), before) << "nothing is written";
}

TEST_F(EditSessionTest, AReUnwrapRebuildsTheAtlasAndRefillsTheSameUVShape) {
    session = EditSession(testing_shapes::flatShadedCube(scene->CreateShape()));
    session.attach(*scene, preview, uvView);
    const SubSelection seams = session.findDefaultSeams();
    EXPECT_EQ(session.creaseEdges.size(), 24u) << "each cube edge, seen from both its faces";
    peelwise::AtlasRequest request;
    request.device = preview;
    request.renderDevice = preview;
    session.uv = session.build(*session.sourceWithSeams(seams), request, seams);
    ASSERT_NE(session.uv, nullptr);
    session.adoptLayout(session.uv);
    EXPECT_EQ(session.uv->displayMode(), 11);
    expectConsistent();

    // An edit, then a re-unwrap: the same shape objects, a new layout, no edits.
    session.transform(peelwise::modUV::kTransformMove, 0.0f, 0.0f, false, false);
    const ShapePtr atlasBefore = session.atlas;
    const ShapePtr uvBefore = session.uv;
    session.forgetEdits();
    session.commitLayout();
    const ShapePtr layoutShape = session.build(*session.sourceWithSeams({}), request, {});
    ASSERT_NE(layoutShape, nullptr);
    session.adoptLayout(layoutShape);
    EXPECT_EQ(session.atlas, atlasBefore);
    EXPECT_EQ(session.uv, uvBefore);
    EXPECT_EQ(session.uv->GetPolygonCount(), 6);
    EXPECT_EQ(session.history().count(), 0);
    expectConsistent();
}

TEST(EditSessionWithoutScene, EveryEditNeedsTheSceneAndTheShapes) {
    EditSession session;
    try {
        session.record();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 91);
        EXPECT_EQ(e.description(), "Object variable not set (scene graph)");
    }
    const SceneGraphPtr scene = SceneGraph::create(nullptr);
    session.attach(*scene, newDeviceID(), newDeviceID());
    try {
        session.weld(WeldKind::Selection);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 91);
        EXPECT_EQ(e.description(), "Object variable not set (csSourceShape)");
    }
}

} // namespace
