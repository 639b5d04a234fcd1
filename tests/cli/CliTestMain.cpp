// The command-line tests need a QCoreApplication (the option parser names the
// program from it), a started libvips to make and measure pictures, and a
// profile store of their own: XDG_CONFIG_HOME points into a temporary folder
// before anything reads the settings, and the program under test inherits it.

#include "ImagingSession.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const QTemporaryDir config;
    if (!config.isValid())
        return 1;
    ::setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    const QCoreApplication application(argc, argv);
    const ImagingSession session;
    if (!session.Started())
        return 1;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
