// The install folder and the environment handed to plug-ins.
#include "brontle/services/InstallFolder.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <cstdlib>

namespace brontle {
namespace {

TEST(InstallFolder, IsTheExecutablesFolderUnlessTheEnvironmentSaysOtherwise) {
    unsetenv("BRONTLE_INSTALL_DIR");
    EXPECT_EQ(installFolder(), QCoreApplication::applicationDirPath().toStdString());
    EXPECT_EQ(installFolder(), PEELWISE_BIN_DIR); // tests are built beside the host

    setenv("BRONTLE_INSTALL_DIR", "/opt/brontle/", 1);
    EXPECT_EQ(installFolder(), "/opt/brontle"); // no trailing separator
    const HostEnvironment environment = makeHostEnvironment(42);
    unsetenv("BRONTLE_INSTALL_DIR");
    EXPECT_EQ(environment.GetInstallFolder(), "/opt/brontle");
    EXPECT_EQ(environment.GetSettingsAppName(), "Brontle");
    EXPECT_EQ(environment.GetOwnerHandle(), 42);
    EXPECT_EQ(makeHostEnvironment().GetOwnerHandle(), 0);
}

} // namespace
} // namespace brontle
