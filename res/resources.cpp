#include "res/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitQarResourcesOnce() {
    Q_INIT_RESOURCE(qar);
}

namespace qar {

void InitQarResources() {
    static const bool done = (InitQarResourcesOnce(), true);
    (void)done;
}

}  // namespace qar
