// Something that answers command ids: the view, the frame and the application object.
#pragma once

namespace qar {

class CommandTarget {
public:
    virtual ~CommandTarget() = default;

    // Handles the command and returns true, or returns false to let the next target try.
    virtual bool OnCommand(int id) = 0;
};

}  // namespace qar
