// The built plug-in module as the host loads it, and the registry's handling of libraries that
// are not plug-ins.

#include "brontle/app/PluginRegistry.h"
#include "brontle/services/Plugin.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QPluginLoader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace {

const QString kPluginFolder = QStringLiteral(PEELWISE_BIN_DIR "/plugins");

TEST(PluginLoading, TheBuiltModuleLoadsNamesItselfAndIsListedFromThePluginsFolder) {
    QPluginLoader loader(kPluginFolder + "/Peelwise.so");
    QObject* root = loader.instance();
    ASSERT_NE(root, nullptr) << loader.errorString().toStdString();
    auto* plugin = qobject_cast<brontle::Plugin*>(root);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->Plugin_Name(), "Peel-Wise");
    EXPECT_EQ(plugin->Plugin_Author(), "Orvane Software");
    EXPECT_EQ(plugin->Plugin_PluginClass(), 3);
    EXPECT_EQ(plugin->Plugin_Cost(), 99);
    EXPECT_TRUE(plugin->Plugin_Icon().isNull());
    EXPECT_EQ(loader.metaData().value("IID").toString(), QString(BrontlePlugin_iid));
    EXPECT_EQ(loader.metaData().value("MetaData").toObject().value("Name").toString(), "Peel-Wise");

    // The registry lists it from the plug-ins folder.
    brontle::PluginRegistry registry;
    EXPECT_GE(registry.loadFolder(kPluginFolder), 1);
    std::vector<std::string> names;
    for (const auto& loaded : registry.plugins()) {
        names.push_back(loaded.name);
    }
    EXPECT_NE(std::find(names.begin(), names.end(), "Peel-Wise"), names.end());
    ASSERT_NE(registry.find("Peel-Wise"), nullptr);
    EXPECT_EQ(registry.find("Peel-Wise")->Plugin_Cost(), 99);
    EXPECT_EQ(registry.find("No Such Plug-in"), nullptr);
    EXPECT_TRUE(registry.failures().empty());
}

TEST(PluginLoading, LibrariesThatAreNotPluginsAreReportedAndAMissingFolderIsNoFailure) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // A real shared library without plug-in metadata, and a file that only looks like one.
    ASSERT_TRUE(QFile::copy(QStringLiteral(PEELWISE_BIN_DIR "/../lib/libbrontle_model.so"),
                            folder.filePath("libplain.so")));
    QFile fake(folder.filePath("broken.so"));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("not a library");
    fake.close();
    QFile notes(folder.filePath("README.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();

    brontle::PluginRegistry registry;
    EXPECT_EQ(registry.loadFolder(folder.path()), 0);
    EXPECT_TRUE(registry.plugins().empty());
    ASSERT_EQ(registry.failures().size(), 2u) << "README.txt is not a library and is ignored";
    for (const std::string& failure : registry.failures()) {
        EXPECT_TRUE(failure.rfind(folder.path().toStdString(), 0) == 0) << failure;
    }
    brontle::PluginRegistry none;
    EXPECT_EQ(none.loadFolder("/nonexistent/plugins"), 0);
    EXPECT_TRUE(none.failures().empty());
}

// A plug-in that reports fixed limits, to check the host's side of the validation.
class FixedLimits : public brontle::Plugin {
  public:
    FixedLimits(int minC, int maxC, int minS, int maxS, bool onlyForType1)
        : minC_(minC), maxC_(maxC), minS_(minS), maxS_(maxS), onlyForType1_(onlyForType1) {}
    void Plugin_Apply(void*, const brontle::SceneGraphPtr&, brontle::DeviceID, std::vector<float>&,
                      std::vector<std::int32_t>&, std::string&) override {}
    std::string Plugin_Author() const override { return {}; }
    std::int32_t Plugin_PluginClass() const override { return 0; }
    std::int32_t Plugin_Cost() const override { return 0; }
    QIcon Plugin_Icon() const override { return {}; }
    std::string Plugin_Name() const override { return "fixed"; }
    void Plugin_GetValidation(std::int32_t, std::int32_t selectionType, std::int32_t& minC,
                              std::int32_t& maxC, std::int32_t& minS, std::int32_t& maxS) override {
        passedMinSub = minS;
        passedMaxSub = maxS;
        minC = minC_;
        maxC = maxC_;
        if (!onlyForType1_ || selectionType == 1) {
            minS = minS_;
            maxS = maxS_;
        }
    }
    std::int32_t passedMinSub = -1, passedMaxSub = -1;

  private:
    int minC_, maxC_, minS_, maxS_;
    bool onlyForType1_;
};

TEST(PluginValidation, ShapeAndSubSelectionCountsAreCheckedAgainstThePluginsLimits) {
    FixedLimits oneShape(1, 1, 1, 999, true);
    EXPECT_FALSE(brontle::acceptsSelection(oneShape, {0, 0, 0}));
    EXPECT_TRUE(brontle::acceptsSelection(oneShape, {1, 0, 0}));
    EXPECT_FALSE(brontle::acceptsSelection(oneShape, {2, 0, 0}));
    EXPECT_TRUE(brontle::acceptsSelection(oneShape, {1, 1, 1}));
    EXPECT_TRUE(brontle::acceptsSelection(oneShape, {1, 1, 999}));
    EXPECT_FALSE(brontle::acceptsSelection(oneShape, {1, 1, 1000}));
    EXPECT_FALSE(brontle::acceptsSelection(oneShape, {1, 1, 0}));
    // Points or edges: the plug-in left the host's limits, which take any count.
    EXPECT_TRUE(brontle::acceptsSelection(oneShape, {1, 3, 5000}));
    EXPECT_EQ(oneShape.passedMinSub, 0);
    EXPECT_EQ(oneShape.passedMaxSub, std::numeric_limits<std::int32_t>::max());

    FixedLimits twoOrThree(2, 3, 0, 10, false);
    EXPECT_FALSE(brontle::acceptsSelection(twoOrThree, {1, 0, 0}));
    EXPECT_TRUE(brontle::acceptsSelection(twoOrThree, {3, 0, 0}));
    EXPECT_TRUE(brontle::acceptsSelection(twoOrThree, {2, 1, 10}));
    EXPECT_FALSE(brontle::acceptsSelection(twoOrThree, {2, 1, 11}));
}

} // namespace
