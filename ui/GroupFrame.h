#pragma once
// A group box laid out as a dialog template means it: the frame's top line runs through the
// middle of the title, and the title is drawn over the line. Qt's styles put the title above
// the frame instead, a text line and more lower, where the template's first control already
// sits; the line would then cross that control.

class QGroupBox;

namespace updater {

class DialogUnits;

void PlaceTitleOnFrame(QGroupBox* group, const DialogUnits& units);

}  // namespace updater
