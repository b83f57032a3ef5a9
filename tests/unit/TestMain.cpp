// The one QApplication of the unit-test binary, made before any test runs, so that widget
// tests and plain tests share a process. Offscreen unless the caller chose a platform.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Neither these tests nor the programs they start reach the user's buses: a phone paired
    // on this machine would join the lists of "Send to...". The D-Bus tests have buses of their
    // own (tests/dbus).
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/fennick-tests-have-no-system-bus");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
