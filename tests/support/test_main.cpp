// One main for every test program: a QApplication on the offscreen platform
// (unless the test environment says otherwise), then GoogleTest. A child
// that plays TessalCert's application object gets that object instead.
#include "ChildRole.h"
#include "TessalApplication.h"

#include <QApplication>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QApplication> app = ChildRole() == TessalApplicationRole
        ? std::make_unique<TessalApplication>(argc, argv)
        : std::make_unique<QApplication>(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
