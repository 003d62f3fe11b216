#pragma once
// Test-only fault injection: named host operations call hostCall("Class::Operation") at entry.
// A test arms the switch with an operation name (or "any") and a count n; the n-th matching call
// from then on throws Error(HostInjectedFault (-99), "<operation>: injected fault", "<Class>")
// before the operation has changed anything, once. A recording mode lists every instrumented
// call in order, so that a test can first record one whole run and then fail each call of it in
// turn. Both modes may be on together: the call that fails is recorded too.
//
// Cost: while neither mode is on, hostCall is one relaxed atomic load and a predictable branch,
// so the instrumentation stays in release builds and the host behaves exactly as without it.
// Arming, recording and the calls themselves may come from any thread (a mutex guards the
// state); the host only instruments operations that run on the user-interface thread.
//
// Which host operations are instrumented: those a plug-in calls through the host API that a
// real host could fail for reasons outside the caller's control, each once per call:
//   file and image I/O      SceneGraph::LoadTexture, readBmpFile, writeBmpFile,
//                           readImageFile, saveImage (services)
//   creation                SceneGraph::CreateShape, CreateFrame, CreateMaterial
//   scene and views         SceneGraph::GetSelectedShape, SelectShape, ClearSelection,
//                           SetDeviceMaterial, RefreshDevice, FlushPending, Frame::AddShape,
//                           Frame::RemoveShape, Frame::SetPlacement, Toolkit::PrepareFrame,
//                           Material::SetTexture
//   whole-shape edits       Shape::Clear, AppendShape, DeletePolygons, Translate, Scale,
//                           SetMaterial, SetVertices, SetTextureCoordinates, SetSmoothingAngle,
//                           assignArrays, assignTexCoords, GenerateAtlas
//   sub-selection changes   Shape::SetSubSelection, ClearSubSelection
//   settings                SettingsStore::GetSetting, SaveSetting (services)
//   files and folders       FileUtility::RestoreLastFolder, StoreLastFolder,
//                           ShowOpenFileDialog, ShowSaveFileDialog (services)
//   platform prompts        Platform::messageBox, fileDialog, setCurrentFolder, in every
//                           platform (Qt, headless, scripted)
// Left out on purpose:
//  - pure in-memory reads, many of them called per polygon or corner: counts, getters,
//    GetPolygon, GetSubSelection, GetBoundingBox, GetTopology, GetDeviceMaterial, the toolkit's
//    vector arithmetic, the host environment's facts. They have no failure of their own;
//  - per-element edits made inside one build (AddPolygon, AddCorner, SetCornerUV, SetVertex,
//    AddVertex, AddTextureCoordinate, SetCorner*, SetTag): each runs inside a procedure that
//    also makes instrumented whole-shape calls and shares their error path, and failing each
//    of them would multiply a sweep by the size of the mesh;
//  - FileUtility::WriteLog and the log: their contract is never to fail, and they are where
//    failures are reported;
//  - Shape::create: the factory for shapes outside a scene (importers, tests); plug-ins create
//    shapes through SceneGraph::CreateShape.
// Rendering (brontle/views) is not instrumented: its file output goes through saveImage.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace brontle {

namespace fault_detail {
// True while a fault is armed or calls are recorded.
extern std::atomic<bool> active;
void hit(const char* operation);
} // namespace fault_detail

// The entry check of an instrumented operation. `operation` is "Class::Operation" (a string
// literal); the class part is the source of an injected error.
inline void hostCall(const char* operation) {
    if (fault_detail::active.load(std::memory_order_relaxed)) [[unlikely]] {
        fault_detail::hit(operation);
    }
}

namespace FaultInjection {

// Matches every instrumented operation in arm().
inline constexpr const char* kAnyOperation = "any";

// From now on, the n-th call (n >= 1) of `operation` (or of any operation for "any") throws;
// counting starts at this call. Replaces an earlier arming. Throws std::invalid_argument for
// n < 1 or an empty name.
void arm(const std::string& operation, std::int64_t n);
// No fault any more (recording goes on if it is on).
void disarm();
// Whether the armed fault has been thrown since arm(), and which operation threw it.
bool fired();
std::string firedOperation();

// Starts a new list of the instrumented calls, in call order.
void startRecording();
// Stops recording and returns the list.
std::vector<std::string> stopRecording();
// The list so far (recording goes on).
std::vector<std::string> recorded();

// Disarms and stops recording; the next hostCall costs one load again.
void reset();

// While an object of this class lives, instrumented calls neither count towards the armed fault
// nor are recorded: a test driver stands in for the host's own reaction to a user's gesture (a
// view selecting the point clicked), which is not a call of the plug-in under test.
class Suspended {
  public:
    Suspended();
    ~Suspended();
    Suspended(const Suspended&) = delete;
    Suspended& operator=(const Suspended&) = delete;
};

// Arms for the lifetime of the object; reset() when it ends.
class ScopedFault {
  public:
    ScopedFault(const std::string& operation, std::int64_t n) { arm(operation, n); }
    ~ScopedFault() { reset(); }
    ScopedFault(const ScopedFault&) = delete;
    ScopedFault& operator=(const ScopedFault&) = delete;
};

} // namespace FaultInjection

} // namespace brontle
