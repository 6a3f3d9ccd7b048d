#pragma once

namespace vorn {

class Node;

// What a check box and a radio button without children of their own look
// like: a grey rectangle, light green ones for hover and press (the press
// shifted by two pixels) and a white mark inset by four.
void addDefaultToggleLook(Node& widget);

// The direct children "mark" and "off_mark" shown for on and off; showing a
// look hides them, so they are set again after every look.
void showToggleMarks(Node& widget, bool on);

// Shows the pressed look, or the active one when there is no pressed look.
void showPressedLook(Node& widget);

} // namespace vorn
