#pragma once
// The editor dialog with a real UV layout and no start-up: a fresh session with the working shape,
// the atlas shape carrying the texture coordinates, the UV shape made by modUV::BuildUVShape, the
// UV-to-atlas table, and both views given a scene, the UV view framing the unit square. Prompts and
// key states go through a ScriptedPlatform; read-outs use the C locale's decimal point.
//
// The standard layout (texture coordinates (u, v); UV points (x, y) = (u, 1 - v)):
//   polygon 0, quad  (0.2, 0.2) (0.5, 0.2) (0.5, 0.5) (0.2, 0.5)   counter-clockwise, tag +1
//   polygon 1, quad  (0.5, 0.2) (0.8, 0.2) (0.8, 0.5) (0.5, 0.5)   shares an edge with 0, tag +2
//   polygon 2, tri   (0.2, 0.6) (0.2, 0.9) (0.5, 0.9)              clockwise, tag -3 (reversed)
// so the UV points are (0.2, 0.8) (0.5, 0.8) (0.5, 0.5) (0.2, 0.5) (0.8, 0.8) (0.8, 0.5) for the
// two quads and (0.5, 0.1) (0.2, 0.1) (0.2, 0.4) for the triangle.

#include "support/ModelBuilders.h"

#include "peelwise/editor/HistoryEntry.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/plugin/modMain.h"
#include "peelwise/uv/BuildUVShape.h"
#include "peelwise/uv/RebuildUVCorrespondence.h"

#include "brontle/model/Frame.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/services/ScriptedPlatform.h"
#include "brontle/views/Editport.h"
#include "brontle/views/XPButton.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QString>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <ostream>
#include <string>
#include <vector>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace brontle {
inline void PrintTo(const Vector3& p, std::ostream* out) {
    *out << '(' << p.x << ", " << p.y << ", " << p.z << ')';
}
inline void PrintTo(const Vector2& t, std::ostream* out) {
    *out << '(' << t.u << ", " << t.v << ')';
}
} // namespace brontle

namespace uvedit_testing {

using namespace brontle;
using peelwise::frmMain;

inline const std::vector<std::vector<Vector2>> kStandardLayout = {
    {{0.2f, 0.2f}, {0.5f, 0.2f}, {0.5f, 0.5f}, {0.2f, 0.5f}},
    {{0.5f, 0.2f}, {0.8f, 0.2f}, {0.8f, 0.5f}, {0.5f, 0.5f}},
    {{0.2f, 0.6f}, {0.2f, 0.9f}, {0.5f, 0.9f}},
};

class UVEditFixture : public ::testing::Test {
  protected:
    frmMain& dialog = frmMain::instance();
    std::shared_ptr<ScriptedPlatform> scripted = std::make_shared<ScriptedPlatform>();
    std::shared_ptr<Platform> previousPlatform;
    SceneGraphPtr scene;
    FramePtr previewRoot;
    FramePtr uvRoot;

    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        previousPlatform = setPlatform(scripted);
        scene = SceneGraph::create(nullptr);
        peelwise::modMain::sceneGraph = scene;
        dialog.chkConstrainX->setValue(false);
        dialog.chkConstrainY->setValue(false);
        dialog.lblX->setText("Position X:");
        dialog.lblY->setText("Y:");
        layout(kStandardLayout);
    }

    void TearDown() override {
        dialog.mnuPopupCoordinatesAdjustment->hide();
        dialog.hide();
        // The dialog is one instance for the whole test program: give later tests its controls
        // as they were made (every tool button and menu item enabled, the design captions) and
        // an empty history.
        for (brontle::XPButton* button : dialog.findChildren<brontle::XPButton*>()) {
            button->setEnabled(true);
        }
        for (QAction* item : dialog.mnuPopupCoordinatesAdjustment->actions()) {
            item->setEnabled(true);
        }
        dialog.chkConstrainX->setValue(false);
        dialog.chkConstrainY->setValue(false);
        dialog.lblX->setText("Position X:");
        dialog.lblY->setText("Y:");
        dialog.dfeObjectPreview->SetScene(nullptr, nullptr);
        dialog.dfeCoordinatesAdjustment->SetScene(nullptr, nullptr);
        dialog.session() = peelwise::EditSession();
        peelwise::modMain::sceneGraph.reset();
        setPlatform(previousPlatform);
        QLocale::setDefault(QLocale::system());
    }

    // The editing state of a run over `polygons` (texture coordinates per polygon).
    void layout(const std::vector<std::vector<Vector2>>& polygons) {
        dialog.session() = peelwise::EditSession();
        dialog.csSourceShape = testing_shapes::atlasFromTexCoords(scene->CreateShape(), polygons);
        dialog.csAtlasShape = testing_shapes::copyOf(*scene, *dialog.csSourceShape);
        std::vector<std::int32_t> all(polygons.size());
        std::iota(all.begin(), all.end(), 0);
        dialog.csUVShape = peelwise::modUV::BuildUVShape(*scene, *dialog.csAtlasShape, all);
        peelwise::modUV::RebuildUVCorrespondence(*dialog.csUVShape, *dialog.csAtlasShape,
                                                 dialog.alUVVertexToTexCoord);
        dialog.avUVPositions = dialog.csUVShape->GetVertices();

        previewRoot = scene->CreateFrame(nullptr);
        scene->CreateFrame(previewRoot)->AddShape(dialog.csAtlasShape);
        dialog.dfeObjectPreview->SetScene(scene, previewRoot);
        uvRoot = scene->CreateFrame(nullptr);
        scene->CreateFrame(uvRoot)->AddShape(dialog.csUVShape);
        dialog.dfeCoordinatesAdjustment->SetScene(scene, uvRoot);
        dialog.dfeCoordinatesAdjustment->SetCameraPosition(0.5f, 0.5f, -10.0f);
        dialog.dfeCoordinatesAdjustment->setViewExtent(0.55f);
    }

    DeviceID uvDevice() const { return dialog.dfeCoordinatesAdjustment->DeviceID(); }
    Shape& uv() const { return *dialog.csUVShape; }
    Shape& atlas() const { return *dialog.csAtlasShape; }

    // The UV vertex at (x, y); fails the test when there is none.
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
        uv().SetSubSelection(uvDevice(), kSelectPoints, selection);
    }

    std::vector<std::int32_t> selectedIndices() const {
        std::vector<std::int32_t> out;
        if (scene->GetSelectedShapeCount(uvDevice()) == 0) {
            return out;
        }
        for (const SubSelectionEntry& e : uv().GetSubSelection(uvDevice()).entries) {
            out.push_back(e.index);
        }
        return out;
    }

    // The texture coordinate of the atlas corner that mirrors UV corner k of UV polygon p.
    Vector2 mirroredTexCoord(std::int32_t p, std::int32_t k) const {
        Polygon polygon = uv().GetPolygon(p);
        const std::int32_t tag = polygon.GetTag();
        const std::int32_t c = polygon.GetCornerCount();
        return atlas().GetPolygon(std::abs(tag) - 1).GetCornerTexCoord(tag > 0 ? k : c - 1 - k);
    }

    // Every atlas corner holds (x - 1, -y) of the UV point its mirrored UV corner uses: the
    // texture coordinates follow the layout, found through the polygons, not the table.
    void expectAtlasFollowsLayout() const {
        for (std::int32_t p = 0; p < uv().GetPolygonCount(); ++p) {
            Polygon polygon = uv().GetPolygon(p);
            for (std::int32_t k = 0; k < polygon.GetCornerCount(); ++k) {
                const Vector3 q = uv().GetVertex(polygon.GetCornerVertex(k));
                EXPECT_EQ(mirroredTexCoord(p, k), (Vector2{q.x - 1.0f, -q.y}))
                    << "polygon " << p << " corner " << k;
            }
        }
    }

    // The table agrees with the corners after a topology change.
    void expectTableMatchesCorners() const {
        ASSERT_EQ(dialog.alUVVertexToTexCoord.size(),
                  static_cast<std::size_t>(uv().GetVertexCount()));
        for (std::int32_t p = 0; p < uv().GetPolygonCount(); ++p) {
            Polygon polygon = uv().GetPolygon(p);
            const std::int32_t tag = polygon.GetTag();
            const std::int32_t c = polygon.GetCornerCount();
            Polygon mirror = atlas().GetPolygon(std::abs(tag) - 1);
            for (std::int32_t k = 0; k < c; ++k) {
                EXPECT_EQ(dialog.alUVVertexToTexCoord[polygon.GetCornerVertex(k)],
                          mirror.GetCornerTexCoordIndex(tag > 0 ? k : c - 1 - k))
                    << "polygon " << p << " corner " << k;
            }
        }
    }

    void expectCacheIsLayout() const {
        EXPECT_EQ(dialog.avUVPositions, uv().vertices());
        EXPECT_EQ(dialog.lUVPositionCount(), uv().GetVertexCount());
    }

    QString labelX() const { return dialog.lblX->text(); }
    QString labelY() const { return dialog.lblY->text(); }

    // Shows the dialog with the UV view framing the unit square, for tests that click.
    void showDialog() {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        dialog.dfeCoordinatesAdjustment->SetCameraPosition(0.5f, 0.5f, -10.0f);
        dialog.dfeCoordinatesAdjustment->setViewExtent(0.55f);
    }

    // The pixel of the UV view showing the UV point (x, y), moved by (dx, dy) pixels.
    QPoint screenOf(float x, float y, double dx = 0, double dy = 0) const {
        const ScreenPoint s =
            dialog.dfeCoordinatesAdjustment->viewTransform().project({x, y, 0.0f});
        return QPoint(static_cast<int>(std::lround(s.x + dx)),
                      static_cast<int>(std::lround(s.y + dy)));
    }
};

} // namespace uvedit_testing
