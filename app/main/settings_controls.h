#pragma once

class QAbstractButton;
class QWidget;

// How the settings store puts a value into a control so that the control
// ends up exactly as the file says and reacts as it does to the user.

// Checks or unchecks a check box or radio button through setChecked, so its
// toggled() handlers run as for a click. A radio button is really unchecked
// even when its group is exclusive; checking one unchecks the others of its
// group, so where several are set in turn the last one checked wins.
// Nothing happens for a null button or an unchanged state.
void setButtonChecked(QAbstractButton *button, bool checked);

// Gives a panel its width. Inside a horizontal splitter the other widgets
// share what is left in their present proportion; elsewhere the panel is
// resized.
void setPanelWidth(QWidget *panel, int width);

