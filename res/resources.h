// The program's compiled-in resources (the application icon).
#pragma once

namespace qar {

// The application icon inside the resources.
inline constexpr const char* kAppIconResource = ":/qar/qar.png";

// Makes the resources available; the GUI library is static, so nothing would pull them in
// otherwise. Safe to call more than once.
void InitQarResources();

}  // namespace qar
