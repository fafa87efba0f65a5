#pragma once
#include <QFont>
#include <QIcon>

class QWidget;

namespace vpo::shell {

// The font that stands in for "MS Sans Serif", height -11 (11-pixel
// characters): the first of these families that the system has.
QFont FormFont();

// The program icon (packaging/icon), 255 x 255.
QIcon ProgramIcon();

// What both windows share: button-face colour, the form font,
// the program icon.
void ApplyFormStyle(QWidget* form);

}  // namespace vpo::shell
