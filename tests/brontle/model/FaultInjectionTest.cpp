// The test-only fault switch of the host: the n-th matching call throws the injected error before
// the operation changes anything, once; "any" counts every instrumented call; recording lists
// the calls in order; disarmed, the operations run as usual.
#include "support/ModelBuilders.h"

#include "brontle/core/Error.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using namespace brontle;
namespace Faults = brontle::FaultInjection;

class FaultInjectionTest : public ::testing::Test {
  protected:
    void TearDown() override { Faults::reset(); }

    SceneGraphPtr scene = SceneGraph::create(nullptr);
    ShapePtr quad = testing_shapes::shapeFrom(
        scene->CreateShape(), {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
};

TEST_F(FaultInjectionTest, TheNthMatchingCallThrowsTheInjectedErrorOnce) {
    Faults::arm("Shape::Translate", 2);
    quad->Translate({1, 0, 0}); // the first call passes
    EXPECT_FALSE(Faults::fired());
    const std::vector<Vector3> before = quad->GetVertices();
    try {
        quad->Translate({5, 5, 5});
        FAIL() << "the second Translate must fail";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::HostInjectedFault);
        EXPECT_EQ(error.number(), -99);
        EXPECT_EQ(error.description(), "Shape::Translate: injected fault");
        EXPECT_EQ(error.source(), "Shape");
    }
    EXPECT_EQ(quad->GetVertices(), before) << "the fault comes before any change";
    EXPECT_TRUE(Faults::fired());
    EXPECT_EQ(Faults::firedOperation(), "Shape::Translate");
    quad->Translate({1, 0, 0}); // once only
    EXPECT_EQ(quad->GetVertex(0).x, 2.0f);
}

TEST_F(FaultInjectionTest, OtherOperationsDoNotCount) {
    Faults::arm("Shape::Scale", 1);
    quad->Translate({1, 0, 0});
    quad->Clear();
    scene->CreateShape();
    EXPECT_FALSE(Faults::fired());
    EXPECT_THROW(quad->Scale({2, 2, 2}), Error);
    EXPECT_TRUE(Faults::fired());
}

TEST_F(FaultInjectionTest, AnyCountsEveryInstrumentedCallButNotReads) {
    Faults::arm(Faults::kAnyOperation, 3);
    EXPECT_EQ(quad->GetPolygonCount(), 1); // reads are not instrumented
    (void)quad->GetBoundingBox();
    scene->CreateShape();       // 1
    quad->Translate({0, 0, 1}); // 2
    try {
        scene->CreateMaterial(); // 3
        FAIL() << "the third instrumented call must fail";
    } catch (const Error& error) {
        EXPECT_EQ(error.description(), "SceneGraph::CreateMaterial: injected fault");
        EXPECT_EQ(error.source(), "SceneGraph");
    }
    EXPECT_EQ(Faults::firedOperation(), "SceneGraph::CreateMaterial");
}

TEST_F(FaultInjectionTest, RecordingListsTheCallsInOrderIncludingTheOneThatFailed) {
    Faults::startRecording();
    Faults::arm("Shape::DeletePolygons", 1);
    const ShapePtr copy = scene->CreateShape();
    copy->AppendShape(*quad);
    const std::vector<std::int32_t> first{0};
    EXPECT_THROW(copy->DeletePolygons(first), Error);
    EXPECT_EQ(copy->GetPolygonCount(), 1);
    copy->DeletePolygons(first);
    EXPECT_EQ(copy->GetPolygonCount(), 0);
    EXPECT_EQ(Faults::recorded(),
              (std::vector<std::string>{"SceneGraph::CreateShape", "Shape::AppendShape",
                                        "Shape::DeletePolygons", "Shape::DeletePolygons"}));
    const std::vector<std::string> calls = Faults::stopRecording();
    EXPECT_EQ(calls.size(), 4u);
    copy->Clear();
    EXPECT_TRUE(Faults::recorded().empty()) << "nothing is recorded once stopped";
}

TEST_F(FaultInjectionTest, ArmingAgainStartsTheCountAfreshAndDisarmStopsIt) {
    Faults::arm("Shape::Translate", 2);
    quad->Translate({1, 0, 0});
    Faults::arm("Shape::Translate", 2);
    quad->Translate({1, 0, 0}); // the first after the new arming
    Faults::disarm();
    quad->Translate({1, 0, 0});
    quad->Translate({1, 0, 0});
    EXPECT_FALSE(Faults::fired());
    EXPECT_EQ(quad->GetVertex(0).x, 4.0f);
}

TEST_F(FaultInjectionTest, SuspendedCallsNeitherCountNorAreRecorded) {
    Faults::startRecording();
    Faults::arm("Shape::Translate", 1);
    {
        Faults::Suspended driver;
        quad->Translate({1, 0, 0});
        scene->CreateShape();
    }
    EXPECT_FALSE(Faults::fired());
    EXPECT_TRUE(Faults::recorded().empty());
    EXPECT_THROW(quad->Translate({1, 0, 0}), Error);
    EXPECT_EQ(Faults::recorded(), std::vector<std::string>{"Shape::Translate"});
}

TEST_F(FaultInjectionTest, ArmingNeedsANameAndACountAndAScopedFaultEndsWithItsScope) {
    EXPECT_THROW(Faults::arm("Shape::Clear", 0), std::invalid_argument);
    EXPECT_THROW(Faults::arm("", 1), std::invalid_argument);
    {
        Faults::ScopedFault fault("SceneGraph::CreateFrame", 1);
        EXPECT_THROW(scene->CreateFrame(nullptr), Error);
        Faults::arm("SceneGraph::CreateFrame", 1);
    }
    EXPECT_NE(scene->CreateFrame(nullptr), nullptr);
}

} // namespace
