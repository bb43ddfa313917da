// Saves what an X display shows as PNG, cut to the windows on it (everything that is not the
// black root). For documentation screenshots under Xvfb.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: flitbar-screen-shot OUTPUT.png\n");
    return 2;
  }
  const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
  QRect shown;
  for (int y = 0; y < screen.height(); ++y) {
    for (int x = 0; x < screen.width(); ++x) {
      if ((screen.pixel(x, y) & 0xFFFFFF) != 0) shown |= QRect(x, y, 1, 1);
    }
  }
  if (shown.isEmpty()) {
    std::fprintf(stderr, "flitbar-screen-shot: nothing on screen\n");
    return 1;
  }
  return screen.copy(shown).save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
