#include "shell/window_style.h"

#include <QImageReader>
#include <QPalette>
#include <QPixmap>
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

QIcon ProgramIcon() {
  // Decoded once, by the PNG reader built into Qt: a plain QIcon(file) asks
  // every image-format plugin whether it can read the file, and loading
  // them all is a good part of the program's start-up.
  static const QIcon icon = [] {
    QImageReader reader(QStringLiteral(":/icon/vpo-analyzer.png"), "png");
    reader.setAutoDetectImageFormat(false);
    QIcon loaded;
    loaded.addPixmap(QPixmap::fromImage(reader.read()));
    return loaded;
  }();
  return icon;
}

void ApplyFormStyle(QWidget* form) {
  form->setFont(FormFont());
  form->setBackgroundRole(QPalette::Button);  // clBtnFace
  form->setForegroundRole(QPalette::WindowText);
  form->setAutoFillBackground(true);
  form->setWindowIcon(ProgramIcon());
}

}  // namespace vpo::shell
