// What assistive technology reads of a drop-down list: a combo box named by its accessible name
// (the caption of the label beside it, "Load cell gain"), whose text is the item it shows (or, in
// an empty list, the grey reason shown instead, "No board"), and whose popup holds the items.
// Qt's own interface names a combo box on Linux by its current text and leaves the label to a
// relation, so a reader that walks the window hears "700, combo box" and not what 700 is.
#pragma once

class QComboBox;

namespace tensilo::app {

// Call once, as the box is made.
void RegisterAccessibleDropDown(QComboBox& box);

} // namespace tensilo::app
