// qar: the window. Start-up and the application object live in CQarApp.
#include <cstdio>

#include <QApplication>
#include <QIcon>

#include "app/displaycheck.h"
#include "app/qarapp.h"
#include "res/resources.h"
#include "settings/qsettingsstore.h"
#include "settings/settingskeys.h"

namespace {

// Qt's own abort on a machine without a display says nothing about what to do instead.
constexpr int kExitNoDisplay = 2;
constexpr int kExitStartFailed = 1;

}  // namespace

int main(int argc, char** argv) {
    if (!qar::HaveDisplay(argc, argv)) {
        std::fputs(qar::NoDisplayMessage(), stderr);
        return kExitNoDisplay;
    }
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromUtf8(qar::kSettingsOrganisation));
    QCoreApplication::setApplicationName(QString::fromUtf8(qar::kSettingsApplication));
    qar::InitQarResources();
    QApplication::setWindowIcon(QIcon(QString::fromUtf8(qar::kAppIconResource)));

    qar::QSettingsStore store;
    qar::CQarApp qarApp(store);
    if (!qarApp.InitInstance(QApplication::arguments()))
        return kExitStartFailed;
    return QApplication::exec();
}
