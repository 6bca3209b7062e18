// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How ride-target writes down a key it received: the character it types when it types one
// ("A", "a", "7"), otherwise the key's name with its modifiers ("Return", "Ctrl+C", "F5").
#include <QString>
#include <Qt>

namespace ride::target {

// Empty for a modifier key pressed on its own (Shift before a capital letter), which is part
// of the next key rather than a key of its own.
QString describeKey(int key, Qt::KeyboardModifiers modifiers, const QString& text);

} // namespace ride::target
