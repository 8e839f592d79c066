#include "app/urlopener.h"

#include <QDesktopServices>

namespace qar {

UrlOpener DesktopUrlOpener() {
    // A desktop without a browser or without the file's handler is not reported.
    return [](const QUrl& url) { QDesktopServices::openUrl(url); };
}

}  // namespace qar
