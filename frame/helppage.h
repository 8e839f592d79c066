// Where the help page is: beside the program (a build tree, or a program folder copied
// whole), else in the data folder of an installed program.
#pragma once

#include <string>

namespace qar {

// The help page's path: "<programFolder>/help/index.htm" when that file exists, else
// "<programFolder>/<installRelative>/index.htm" when that exists; "" when neither does.
// installRelative leads from the installed program's folder to the installed help folder
// (normally "../share/qar/help").
std::string FindHelpPage(const std::string& programFolder, const std::string& installRelative);

}  // namespace qar
