#include "shell/window_style.h"

#include <QPalette>
#include <QStringList>
#include <QWidget>

namespace vpo::shell {

QFont FormFont() {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                    QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
  font.setPixelSize(11);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  return font;
}

QIcon ProgramIcon() { return QIcon(QStringLiteral(":/icon/vpo-analyzer.png")); }

void ApplyFormStyle(QWidget* form) {
  form->setFont(FormFont());
  form->setBackgroundRole(QPalette::Button);  // clBtnFace
  form->setForegroundRole(QPalette::WindowText);
  form->setAutoFillBackground(true);
  form->setWindowIcon(ProgramIcon());
}

}  // namespace vpo::shell
