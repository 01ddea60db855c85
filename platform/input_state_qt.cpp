#include "platform/input_state.h"

#include <QGuiApplication>

bool shiftOrCtrlHeld()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    const Qt::KeyboardModifiers mods = QGuiApplication::keyboardModifiers();
    return mods.testAnyFlags(Qt::ShiftModifier | Qt::ControlModifier);
}

bool primaryMouseButtonHeld()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    return QGuiApplication::mouseButtons().testFlag(Qt::LeftButton);
}
