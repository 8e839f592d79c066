// The test classes of test_gui, run one by one from main.
#pragma once

class QObject;

namespace guitest {

QObject* MakeTestMainFrame();
QObject* MakeTestFolders();
QObject* MakeTestPlacement();
QObject* MakeTestLifecycle();
QObject* MakeTestAbout();

}  // namespace guitest
