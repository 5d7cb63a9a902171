// The program's boxes: the About box and the warnings. Each has one OK
// button that a head-moved pointer must be able to reach and click, so each
// stays above the program's other windows (the keyboard, the camera view).
#pragma once

#include <QMessageBox>
#include <memory>

namespace quil::lnx {

// A box as the program shows it, not yet shown.
std::unique_ptr<QMessageBox> makeBox(const char* caption, const char* text);
// Shows it and waits until it is closed.
void showBox(const char* caption, const char* text);

}  // namespace quil::lnx
