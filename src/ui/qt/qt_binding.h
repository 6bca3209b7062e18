// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Binds model widgets to real Qt widgets, both ways: a change in the model updates the widget,
// and an operator's edit goes through the model's setText, so it runs the same change handling
// as the program's own assignments. Every bound widget carries its model name as objectName
// and accessible description, for UI tests and assistive tools.
#include "ui/button.h"
#include "ui/combo_box.h"
#include "ui/form_window.h"
#include "ui/label.h"
#include "ui/list_box.h"
#include "ui/text_box.h"
#include "ui/timer.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QObject;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace ride {

void bindTextBox(TextBox& model, QLineEdit* widget);
// A plain-text box shows the model's text as it stands when the event loop next runs: text that
// comes and goes within one handler (a record in the receive box) never reaches the widget.
void bindTextBox(TextBox& model, QPlainTextEdit* widget);
// The list shows the model's items and nothing else; an entry chosen from it only shows in the
// model's text (ComboBox::chooseItem), while typed or otherwise set edit text goes through setText.
void bindComboBox(ComboBox& model, QComboBox* widget);
void bindLabel(Label& model, QLabel* widget);
void bindButton(const Button& model, QPushButton* widget);
void bindListBox(ListBox& model, QListWidget* widget);
// A Qt timer owned by `parent` that ticks the model timer while it is enabled.
QTimer* bindTimer(Timer& model, QObject* parent);
// Geometry (twips <-> pixels at 15 twips a pixel), caption and visibility of a top-level window.
// The position is the outer (frame) position, the size the client size.
void bindWindow(FormWindow& model, QWidget* window);

} // namespace ride
