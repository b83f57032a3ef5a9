// The tests of what Fennick does on D-Bus: every run gets two private buses of its own, one for
// the session and one standing in for the system bus, made before Qt's first connection and
// ended after the last test, so that a plain `ctest` never reaches the user's buses.
#include "PrivateBus.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Listing the tests needs no bus.
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    std::unique_ptr<PrivateBus> session;
    std::unique_ptr<PrivateBus> system;
    if (!listing) {
        session = std::make_unique<PrivateBus>("session");
        system = std::make_unique<PrivateBus>("system");
        if (session->address().isEmpty() || system->address().isEmpty()) {
            std::fprintf(stderr, "cannot start a private dbus-daemon\n");
            return 1;
        }
        qputenv("DBUS_SESSION_BUS_ADDRESS", session->address());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", system->address());
    }
    int result = 0;
    {
        QApplication application(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
