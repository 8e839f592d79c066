// How the program hands a page or a file to the desktop's default application. Passed in as
// a function, so tests can count what would have been opened without starting a browser.
#pragma once

#include <functional>

#include <QUrl>

namespace qar {

using UrlOpener = std::function<void(const QUrl&)>;

// The desktop's own opener (QDesktopServices::openUrl); its result is ignored.
UrlOpener DesktopUrlOpener();

}  // namespace qar
