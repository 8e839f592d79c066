// Hands a command id to the view first, then the frame, then the application object, so
// every menu item, bar button and posted command reaches whoever owns that behaviour.
#pragma once

#include "app/commandtarget.h"

namespace qar {

class CommandRouter {
public:
    CommandRouter() = default;

    // The three places a command is offered to, in routing order; any may be null.
    void SetView(CommandTarget* view) { m_view = view; }
    void SetFrame(CommandTarget* frame) { m_frame = frame; }
    void SetApp(CommandTarget* app) { m_app = app; }

    // Offers id to the view, the frame and the application in turn; true once one took it.
    bool Route(int id) const;

private:
    CommandTarget* m_view = nullptr;
    CommandTarget* m_frame = nullptr;
    CommandTarget* m_app = nullptr;
};

}  // namespace qar
