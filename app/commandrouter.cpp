#include "app/commandrouter.h"

#include <initializer_list>

namespace qar {

bool CommandRouter::Route(int id) const {
    for (CommandTarget* target : {m_view, m_frame, m_app}) {
        if (target && target->OnCommand(id))
            return true;
    }
    return false;
}

}  // namespace qar
