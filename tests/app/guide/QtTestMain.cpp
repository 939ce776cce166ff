// Runs GoogleTest inside a QApplication, as the windows need one.
#include <QApplication>
#include <gtest/gtest.h>

#include <unistd.h>

int main(int argc, char** argv)
{
    // The browser's sandbox refuses to run as root, as on a build machine.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
