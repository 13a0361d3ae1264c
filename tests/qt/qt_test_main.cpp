// The widget tests' entry: a QApplication on the offscreen platform, set before Qt
// starts, since the test list is also read at build time without a display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdlib>

#include "desktop_rig.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // A message box that no test answers would wait until ctest gives up: it fails the
    // test at once and is closed.
    QTimer unexpectedBoxes;
    QObject::connect(&unexpectedBoxes, &QTimer::timeout, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || nodrel::qt::BoxAnswerer::alive > 0) return;
        ADD_FAILURE() << "unexpected box: " << box->windowTitle().toStdString() << ": "
                      << box->text().toStdString();
        box->reject();
    });
    unexpectedBoxes.start(5);
    return RUN_ALL_TESTS();
}
