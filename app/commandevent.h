// A command id delivered through the event queue: what the worker's end notice and the
// folder edits post to the main window, so the command runs after the current event.
#pragma once

#include <QEvent>

class QObject;

namespace qar {

class CommandEvent : public QEvent {
public:
    explicit CommandEvent(int id);

    // The event type all command events share (registered once with Qt).
    static QEvent::Type EventType();

    // The command id it carries.
    int Id() const { return m_id; }

private:
    int m_id;
};

// Queues a command event for target; safe from any thread while target exists.
void PostCommand(QObject* target, int id);

}  // namespace qar
