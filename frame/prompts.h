// The prompt texts of the commands: the first line goes to the status bar while a menu item
// is highlighted or the mouse rests on a bar button, the second is the button's tooltip.
#pragma once

#include <QString>

namespace qar {

struct CommandPrompt {
    QString status;   // "" when the command has no prompt
    QString tooltip;  // "" when it has no second line
};

// The prompt of a command id; both texts empty for an id without one.
CommandPrompt PromptFor(int id);

}  // namespace qar
