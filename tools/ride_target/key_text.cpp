// SPDX-License-Identifier: GPL-3.0-or-later
#include "ride_target/key_text.h"

#include <QKeySequence>

namespace ride::target {

QString describeKey(int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case 0:
    case Qt::Key_unknown: return {};
    default: break;
    }
    // Shift is already in the character it produces; control and alt are not.
    const Qt::KeyboardModifiers beyondShift = modifiers & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (beyondShift == Qt::NoModifier && text.size() == 1 && text.at(0).isPrint() && !text.at(0).isSpace()) {
        return text;
    }
    const auto combined = QKeyCombination(modifiers & ~Qt::KeypadModifier, static_cast<Qt::Key>(key));
    return QKeySequence(combined).toString(QKeySequence::PortableText);
}

} // namespace ride::target
