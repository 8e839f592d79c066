#include "app/commandevent.h"

#include <QCoreApplication>

namespace qar {

CommandEvent::CommandEvent(int id) : QEvent(EventType()), m_id(id) {}

QEvent::Type CommandEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostCommand(QObject* target, int id) {
    QCoreApplication::postEvent(target, new CommandEvent(id));
}

}  // namespace qar
