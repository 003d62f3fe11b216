// Fault sweep over one whole editing run. The run: Plugin_Apply on a row of ten quads with three
// of them selected (6, 0, 3); the dialog starts and unwraps them; the user selects a UV point and
// moves it right, selects it with a point of another chart and welds them, undoes the weld, and
// presses OK, which asks for the texture file (a temporary folder), renders the layout into it,
// attaches it and writes the polygons back.
//
// The clean run is recorded first: its list of instrumented host calls (brontle/model/
// FaultInjection.h) has N entries: N = 139 when this was written (it follows the code, so the
// test prints it with the count per operation rather than fixing it). Then for i = 1 .. N the
// same run is repeated with the i-th call failing (Error -99, "<operation>: injected fault"),
// and after each run:
//   - Plugin_Apply returned and the dialog is closed (no hang: a run still open 10 s after its
//     script is closed by force and counts as a failure; no exception reached the host);
//   - the selected shape is bit-identical either to what it was before the run or to what the
//     clean run made of it (every flat array, the materials with their texture's file and
//     pixels, the sub-selection), never something in between. One exception is OK's own
//     rule: from OK's render on, a failing step is skipped and OK completes, so a
//     texture that could not be made, read or attached leaves the applied polygons with
//     another material; only the materials may then differ from the clean run;
//   - the output folder holds nothing or exactly the clean run's BMP, byte for byte: no
//     temporary file, no partial or stale image;
//   - at most one message box, with the exact text the error handler gives -99 (the graphics
//     text, " (#-99)", title "Application", style 16), or, for a failed atlas build, the
//     unwrap driver's own "will unwrap with default settings" message.
// A user told of an unrecoverable error stops editing and presses Cancel. The calls the test
// makes as the host's views (selecting the clicked points) are made with the switch suspended:
// they are not calls of the plug-in. The whole sweep takes about 25 s on 2 cores under Xvfb.
// PEELWISE_FAULT_SWEEP_CALLS=i or i-j sweeps only those calls, PEELWISE_FAULT_SWEEP_VERBOSE=1
// names each call before its run (to find the one that crashes).
#include "DialogScript.h"
#include "PluginTestShapes.h"

#include "peelwise/editor/frmMain.h"
#include "peelwise/plugin/Peelwise.h"
#include "peelwise/support/GeneralErrorHandler.h"

#include "brontle/core/Error.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/model/Material.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/Texture.h"
#include "brontle/services/ScriptedPlatform.h"
#include "brontle/services/SettingsStore.h"
#include "brontle/views/Editport.h"
#include "brontle/views/XPButton.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>

namespace {

using namespace plugin_testing;
using peelwise::frmMain;
namespace Faults = brontle::FaultInjection;

constexpr const char* kAppName = "BrontleTest";
// The unwrap driver's message when the atlas fails once: it tells, and the unwrap goes on.
constexpr const char* kRetryMessage = "Brontle was unable to unwrap the current selection. "
                                      "Brontle will unwrap with default settings.";

// A material as the user sees it: colours, value, filtering and the texture's file and pixels.
struct MaterialState {
    Color4 a, b, c, d;
    float value = 0;
    std::int32_t filtering = 0;
    bool textured = false;
    std::string textureFile;
    Image textureImage;
    friend bool operator==(const MaterialState&, const MaterialState&) = default;
};

// The selected shape, every flat array of it.
struct ShapeState {
    std::vector<Vector3> vertices;
    std::vector<Vector3> normals;
    std::vector<Vector2> texcoords;
    std::vector<std::int32_t> polygonStart;
    std::vector<std::int32_t> cornerVertex;
    std::vector<std::int32_t> cornerNormal;
    std::vector<std::int32_t> cornerTexCoord;
    std::vector<std::int32_t> polygonTag;
    std::vector<std::int32_t> polygonMaterial;
    std::vector<MaterialState> materials;
    std::int32_t selectionType = 0;
    SubSelection subSelection;
    friend bool operator==(const ShapeState&, const ShapeState&) = default;
};

ShapeState stateOf(const Shape& shape, DeviceID device) {
    ShapeState s{shape.vertices(),
                 shape.normals(),
                 shape.texcoords(),
                 shape.polygonStart(),
                 shape.cornerVertex(),
                 shape.cornerNormal(),
                 shape.cornerTexCoord(),
                 shape.polygonTag(),
                 shape.polygonMaterial(),
                 {},
                 shape.GetSelectionType(device),
                 shape.GetSubSelection(device)};
    for (const MaterialPtr& m : shape.materials()) {
        MaterialState ms;
        if (m) {
            ms.a = m->GetColorA();
            ms.b = m->GetColorB();
            ms.c = m->GetColorC();
            ms.d = m->GetColorD();
            ms.value = m->GetMaterialValue();
            ms.filtering = m->materialOption(0);
            ms.textured = m->texture() != nullptr;
            if (m->texture()) {
                ms.textureFile = m->texture()->file();
                ms.textureImage = m->texture()->image();
            }
        }
        s.materials.push_back(std::move(ms));
    }
    return s;
}

// The fields in which two states differ, for a finding's message.
std::string differences(const ShapeState& x, const ShapeState& y) {
    std::string out;
    auto field = [&](bool same, const char* name) {
        if (!same) {
            out += out.empty() ? name : std::string(", ") + name;
        }
    };
    field(x.vertices == y.vertices, "vertices");
    field(x.normals == y.normals, "normals");
    field(x.texcoords == y.texcoords, "texcoords");
    field(x.polygonStart == y.polygonStart, "polygonStart");
    field(x.cornerVertex == y.cornerVertex, "cornerVertex");
    field(x.cornerNormal == y.cornerNormal, "cornerNormal");
    field(x.cornerTexCoord == y.cornerTexCoord, "cornerTexCoord");
    field(x.polygonTag == y.polygonTag, "polygonTag");
    field(x.polygonMaterial == y.polygonMaterial, "polygonMaterial");
    field(x.materials == y.materials, "materials");
    field(x.selectionType == y.selectionType, "selectionType");
    field(x.subSelection == y.subSelection, "subSelection");
    return out;
}

// Equal but for the material table and the polygons' material indices.
bool sameExceptMaterials(ShapeState x, const ShapeState& y) {
    x.materials = y.materials;
    x.polygonMaterial = y.polygonMaterial;
    return x == y;
}

struct Outcome {
    bool shown = false;
    bool hung = false;
    bool dialogClosed = true;
    std::string escaped; // an exception that reached the host
    ShapeState before;
    ShapeState after;
    std::vector<MessagePrompt> messages;
    std::map<std::string, QByteArray> files; // the output folder, name -> content
    std::vector<std::string> calls;          // the recorded calls (clean run only)
    bool fired = false;
    std::string firedOperation;
};

class FaultSweep : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(output_.isValid());
        previousPlatform_ = brontle::setPlatform(nullptr);
        brontle::setPlatform(previousPlatform_);
    }
    void TearDown() override {
        Faults::reset();
        brontle::setPlatform(previousPlatform_);
        brontle::settings().setFolder({});
    }

    std::string texturePath() const { return output_.filePath("layout").toStdString(); }

    // Selects UV points as the coordinate view does on a click (a host call of the view, not of
    // the plug-in), then tells the dialog as the view does.
    static void selectPoints(frmMain& dialog, const std::vector<std::int32_t>& points) {
        if (!dialog.csUVShape) {
            return;
        }
        {
            Faults::Suspended view;
            SubSelection selection;
            for (std::int32_t p : points) {
                if (p < dialog.csUVShape->GetVertexCount()) {
                    selection.add(p);
                }
            }
            dialog.csUVShape->SetSubSelection(dialog.dfeCoordinatesAdjustment->DeviceID(),
                                              kSelectPoints, selection);
        }
        emit dialog.dfeCoordinatesAdjustment->SelectionChange();
    }

    // A UV point of the last UV polygon that polygon 0 does not use: another chart's point.
    static std::int32_t pointOfAnotherChart(const frmMain& dialog) {
        const Shape* uv = dialog.csUVShape.get();
        if (uv == nullptr || uv->GetPolygonCount() < 2) {
            return 0;
        }
        const auto& starts = uv->polygonStart();
        const auto& corners = uv->cornerVertex();
        const std::vector<std::int32_t> first(corners.begin() + starts[0],
                                              corners.begin() + starts[1]);
        const std::int32_t last = uv->GetPolygonCount() - 1;
        for (std::int32_t k = starts[last]; k < starts[last + 1]; ++k) {
            if (std::find(first.begin(), first.end(), corners[k]) == first.end()) {
                return corners[k];
            }
        }
        return 0;
    }

    // The user's part of the run. Buttons are clicked as a user clicks them: a disabled one
    // ignores the click. A user told of an unrecoverable error (any message but the unwrap's
    // "will unwrap with default settings") stops editing and cancels, unless `carryOn`: then
    // the edits and OK go ahead whatever was shown.
    static void editAndConfirm(frmMain& dialog, const brontle::ScriptedPlatform& scripted,
                               bool carryOn) {
        const auto told = [&] {
            return !carryOn && std::any_of(scripted.messages().begin(), scripted.messages().end(),
                                           [](const MessagePrompt& m) {
                                               return m.text.rfind(kRetryMessage, 0) != 0;
                                           });
        };
        const std::vector<std::function<void()>> steps = {
            [&] { selectPoints(dialog, {0}); },
            [&] { QTest::mouseClick(dialog.cmdShiftRight, Qt::LeftButton); },
            [&] {
                selectPoints(dialog, {0, pointOfAnotherChart(dialog)});
            },
            [&] { QTest::mouseClick(dialog.cmdWeldSelection, Qt::LeftButton); },
            [&] { QTest::mouseClick(dialog.cmdEditUndo, Qt::LeftButton); },
        };
        for (const auto& step : steps) {
            if (told()) {
                dialog.cmdCancel->click();
                return;
            }
            step();
        }
        if (told()) {
            dialog.cmdCancel->click();
            return;
        }
        dialog.cmdOK->click();
    }

    // One whole editing run; `failAt` 0 records the calls, i > 0 fails the i-th call.
    Outcome run(std::int64_t failAt, bool carryOn = false,
                const std::string& operation = Faults::kAnyOperation) {
        Outcome out;
        // Each run starts from the same settings and an empty output folder.
        QTemporaryDir settingsDir;
        brontle::settings().setFolder(settingsDir.path().toStdString());
        brontle::settings().SaveSetting(kAppName, "Tips", "PeelwiseSeams", "0");
        brontle::settings().SaveSetting(kAppName, "Peelwise", "TextureSize", "1"); // 128x128
        QDir folder(output_.path());
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            folder.remove(name);
        }
        auto scripted = std::make_shared<brontle::ScriptedPlatform>();
        scripted->queueFileDialogAnswer(texturePath()); // typed without extension
        brontle::setPlatform(scripted);

        Scene scene;
        scene.graph = brontle::SceneGraph::create(
            std::make_shared<brontle::HostEnvironment>(PEELWISE_BIN_DIR, kAppName));
        const ShapePtr s = scene.selectPolygons(tenQuadRow(scene.graph->CreateShape()), {6, 0, 3});
        out.before = stateOf(*s, scene.device);

        frmMain& dialog = frmMain::instance();
        bool scriptDone = false;
        DialogScript driver([&](frmMain& d) {
            editAndConfirm(d, *scripted, carryOn);
            scriptDone = true;
        });
        // A run whose dialog stays open after its script has hung: close it so that the sweep
        // goes on, and count it.
        QTimer watchdog;
        QElapsedTimer sinceScript;
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            if (!scriptDone || !dialog.isVisible()) {
                sinceScript.restart();
                return;
            }
            if (sinceScript.elapsed() > 10000) {
                out.hung = true;
                dialog.QDialog::done(QDialog::Rejected);
            }
        });
        sinceScript.start();
        watchdog.start(50);

        if (failAt == 0) {
            Faults::startRecording();
        } else {
            Faults::arm(operation, failAt);
        }
        try {
            std::vector<float> singles;
            std::vector<std::int32_t> longs;
            std::string text;
            peelwise::Peelwise().Plugin_Apply(nullptr, scene.graph, scene.device, singles, longs,
                                              text);
        } catch (const std::exception& e) {
            out.escaped = e.what();
        } catch (...) {
            out.escaped = "an exception that is not a std::exception";
        }
        out.fired = Faults::fired();
        out.firedOperation = Faults::firedOperation();
        out.calls = Faults::stopRecording();
        Faults::reset();

        out.shown = driver.shown();
        out.dialogClosed = !dialog.isVisible() && !dialog.isLoaded();
        if (!out.dialogClosed) {
            dialog.Unload();
            dialog.hide();
        }
        out.after = stateOf(*s, scene.device);
        out.messages = scripted->messages();
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            QFile file(folder.filePath(name));
            out.files[name.toStdString()] = file.open(QIODevice::ReadOnly) ? file.readAll() : "?";
        }
        brontle::setPlatform(previousPlatform_);
        brontle::settings().setFolder({});
        return out;
    }

    QTemporaryDir output_;
    std::shared_ptr<brontle::Platform> previousPlatform_;
};

std::string graphicsMessage(std::int32_t number) {
    return std::string("An unrecoverable error has occurred. Often errors such as these can be "
                       "resolved by updating the drivers for your graphics card. If you continue "
                       "to receive this message please let us know on the problem reports forum "
                       "at ") +
           peelwise::kProblemReportsForum + ".  (#" + std::to_string(number) + ")";
}

TEST_F(FaultSweep, EveryHostCallOfAWholeEditingRunMayFailWithoutHarm) {
    QElapsedTimer clock;
    clock.start();
    const Outcome clean = run(0);
    ASSERT_TRUE(clean.shown);
    ASSERT_TRUE(clean.escaped.empty()) << clean.escaped;
    ASSERT_TRUE(clean.messages.empty()) << clean.messages.front().text;
    ASSERT_TRUE(clean.dialogClosed);
    ASSERT_NE(clean.after, clean.before) << "the clean run changes the shape";
    ASSERT_EQ(clean.after.polygonTag.size(), 10u);
    ASSERT_EQ(clean.after.materials.size(), 2u) << "the seven kept polygons' and the texture's";
    ASSERT_TRUE(clean.after.materials.back().textured);
    ASSERT_EQ(clean.after.materials.back().textureImage.width, 128);
    ASSERT_EQ(clean.files.size(), 1u);
    ASSERT_EQ(clean.files.begin()->first, "layout.BMP");
    const std::int64_t n = static_cast<std::int64_t>(clean.calls.size());
    ASSERT_GT(n, 20) << "the run makes host calls";
    // A second clean run makes the same result: the comparisons below are meaningful.
    {
        const Outcome again = run(static_cast<std::int64_t>(1) << 40); // never reached
        ASSERT_FALSE(again.fired);
        ASSERT_EQ(again.after, clean.after) << "the clean run is deterministic";
        ASSERT_EQ(again.files, clean.files);
    }

    std::map<std::string, int> perOperation;
    for (const std::string& call : clean.calls) {
        ++perOperation[call];
    }
    std::ostringstream summary;
    summary << "N = " << n << " host calls in one editing run:";
    for (const auto& [operation, count] : perOperation) {
        summary << ' ' << operation << " x" << count;
    }
    std::cout << summary.str() << '\n';

    // PEELWISE_FAULT_SWEEP_CALLS=i or i-j sweeps only those calls (to look into one finding);
    // PEELWISE_FAULT_SWEEP_VERBOSE=1 names each call before its run (to find a crash).
    std::int64_t first = 1, last = n;
    if (const char* calls = std::getenv("PEELWISE_FAULT_SWEEP_CALLS")) {
        const std::string range = calls;
        const std::size_t dash = range.find('-');
        first = std::max<std::int64_t>(1, std::stoll(range.substr(0, dash)));
        last = dash == std::string::npos
                   ? first
                   : std::min<std::int64_t>(n, std::stoll(range.substr(dash + 1)));
    }
    const bool verbose = std::getenv("PEELWISE_FAULT_SWEEP_VERBOSE") != nullptr;

    // From OK's render on, a failing step is skipped and OK completes: a texture that
    // could not be made or attached leaves the applied polygons with another material.
    const std::int64_t okRender =
        std::find(clean.calls.begin(), clean.calls.end(), "QtImageFiles::saveImage") -
        clean.calls.begin() + 1;
    ASSERT_LE(okRender, n);

    std::vector<std::string> findings;
    int unchanged = 0, applied = 0, appliedOtherMaterial = 0;
    for (std::int64_t i = first; i <= last; ++i) {
        if (verbose) {
            std::cerr << "fault at call " << i << ": " << clean.calls[i - 1] << std::endl;
        }
        const Outcome o = run(i);
        const std::string where = "call " + std::to_string(i) + " (" + clean.calls[i - 1] + ")";
        auto finding = [&](const std::string& what) { findings.push_back(where + ": " + what); };
        if (!o.fired) {
            finding("the fault never fired: the run took another road before it");
        } else if (o.firedOperation != clean.calls[i - 1]) {
            finding("the fault hit " + o.firedOperation + " instead");
        }
        if (!o.escaped.empty()) {
            finding("an exception reached the host: " + o.escaped);
        }
        if (o.hung) {
            finding("the dialog stayed open (hang)");
        }
        if (!o.dialogClosed) {
            finding("the dialog was not closed when Plugin_Apply returned");
        }
        if (o.after == o.before) {
            ++unchanged;
        } else if (o.after == clean.after) {
            ++applied;
        } else if (i >= okRender && sameExceptMaterials(o.after, clean.after)) {
            ++appliedOtherMaterial;
        } else {
            finding("the selected shape is neither as before (differs in " +
                    differences(o.after, o.before) + ") nor as after the clean run (differs in " +
                    differences(o.after, clean.after) + ")");
        }
        if (!o.files.empty() && o.files != clean.files) {
            std::string names;
            for (const auto& [name, content] : o.files) {
                names += " " + name + " (" + std::to_string(content.size()) + " bytes)";
            }
            finding("the output folder holds" + names);
        }
        if (o.messages.size() > 1) {
            finding(std::to_string(o.messages.size()) + " message boxes, the first \"" +
                    o.messages[0].text + "\"");
        }
        for (const MessagePrompt& m : o.messages) {
            const bool handler =
                m.text == graphicsMessage(brontle::ErrorNumber::HostInjectedFault) &&
                m.title == "Application" && m.style == 16;
            const bool retry = m.text == kRetryMessage && m.title == "Peel-Wise" && m.style == 48;
            if (!handler && !retry) {
                finding("message \"" + m.text + "\" titled \"" + m.title + "\" style " +
                        std::to_string(m.style));
            }
        }
    }
    std::cout << "swept " << (last - first + 1) << " faults in " << clock.elapsed()
              << " ms: " << unchanged << " left the shape as it was, " << applied
              << " applied the edit, " << appliedOtherMaterial
              << " applied it without the new texture\n";
    std::string report;
    for (const std::string& f : findings) {
        report += f + "\n";
    }
    EXPECT_TRUE(findings.empty()) << findings.size() << " findings:\n" << report;
}

TEST_F(FaultSweep, OkAfterAStartUpWhoseUnwrapFailedLeavesTheShapeAsItWas) {
    // The first run leaves its atlas shape in the dialog, which outlives runs. In the second, the
    // host fails while the unwrap readies the views: the start-up reports it and the dialog
    // opens without a layout. A user who presses OK anyway must not get the first run's atlas
    // shape written into this run's shape.
    const Outcome first = run(0);
    ASSERT_NE(first.after, first.before);
    for (const char* operation : {"Toolkit::PrepareFrame", "Frame::SetPlacement"}) {
        const Outcome o = run(1, /*carryOn=*/true, operation);
        ASSERT_TRUE(o.fired) << operation;
        EXPECT_TRUE(o.escaped.empty()) << o.escaped;
        EXPECT_TRUE(o.dialogClosed) << operation;
        ASSERT_FALSE(o.messages.empty()) << operation;
        EXPECT_EQ(o.messages[0].text, graphicsMessage(brontle::ErrorNumber::HostInjectedFault));
        EXPECT_EQ(o.after, o.before)
            << operation << " differs in " << differences(o.after, o.before);
        EXPECT_TRUE(o.files.empty()) << operation;
    }
}

TEST_F(FaultSweep, TheStartUpReportsAFailedBackdropOnceAndGoesOn) {
    // The backdrop square is the first shape the start-up makes; when the host cannot make it,
    // the steps that build on it are passed over instead of each failing with error 91.
    // It is the first shape made after the start-up has read the settings.
    const Outcome clean = run(0);
    const auto settingsRead =
        std::find(clean.calls.begin(), clean.calls.end(), "SettingsStore::GetSetting");
    const auto backdrop = std::find(settingsRead, clean.calls.end(), "SceneGraph::CreateShape");
    ASSERT_NE(backdrop, clean.calls.end());
    const std::int64_t nth =
        std::count(clean.calls.begin(), backdrop + 1, "SceneGraph::CreateShape");
    const Outcome o = run(nth, /*carryOn=*/false, "SceneGraph::CreateShape");
    ASSERT_TRUE(o.fired);
    EXPECT_TRUE(o.shown) << "the start-up went on";
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_EQ(o.messages[0].text, graphicsMessage(brontle::ErrorNumber::HostInjectedFault));
    EXPECT_EQ(o.messages[0].title, "Application");
    EXPECT_TRUE(o.after == o.before) << "the user cancelled after the message";
}

} // namespace
