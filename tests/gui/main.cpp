// test_gui: the window's tests (Qt Test). "test_gui CLASS [qtest options]" runs one class,
// "test_gui" all of them.
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

#include "guitests.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Whatever a test forgets to replace must not reach the user's own settings.
    QStandardPaths::setTestModeEnabled(true);

    const std::vector<std::pair<const char*, QObject* (*)()>> classes = {
        {"TestMainFrame", guitest::MakeTestMainFrame},
        {"TestFolders", guitest::MakeTestFolders},
        {"TestPlacement", guitest::MakeTestPlacement},
        {"TestLifecycle", guitest::MakeTestLifecycle},
        {"TestAbout", guitest::MakeTestAbout},
    };
    const char* only = nullptr;
    std::vector<char*> args(argv, argv + argc);
    if (argc > 1 && argv[1][0] != '-') {
        only = argv[1];
        args.erase(args.begin() + 1);
    }
    int failed = 0;
    bool ran = false;
    for (const auto& [name, make] : classes) {
        if (only && std::strcmp(only, name) != 0)
            continue;
        ran = true;
        std::unique_ptr<QObject> test(make());
        failed += QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    }
    return ran ? (failed != 0 ? 1 : 0) : 2;
}
